#!/usr/bin/env bash
# import_bench.sh BUILD_DIR [COUNT [REAL]]: `folidex-cli import --copy` of a folder of COUNT
# (default 300) generated multi-page Japanese PDFs, and of a folder of up to REAL (default 200)
# real PDFs taken from the system's documentation (/usr/share/doc, sorted, none over 20 MB; the
# Japanese TeX manuals among them), each against the baseline of a serial shell loop that runs
# `pdftotext` and `sha256sum` on each of the same files, measured in the same run. Prints both
# times, their ratio (the import reads two files at once and aims at 0.55x the loop), the load
# average, and the import's peak resident memory for the whole folder and for its largest file
# alone (it should not grow with the number of files).
set -euo pipefail
build=${1:-build-bench}
count=${2:-300}
real=${3:-200}
cli=$build/src/cli/folidex-cli
gen=$build/bench/gen_pdfs
for program in "$cli" "$gen"; do
  [[ -x $program ]] || { echo "import_bench.sh: $program is missing (build folidex-cli and gen_pdfs)" >&2; exit 1; }
done
for tool in pdftotext sha256sum /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "import_bench.sh: $tool is not installed (scripts/setup --bench)" >&2; exit 1; }
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

"$gen" "$tmp/generated" "$count" >/dev/null
mkdir -p "$tmp/real"
n=0
while IFS= read -r f; do
  ((n < real)) || break
  n=$((n + 1))
  # Numbered names keep the sorted order and keep apart manuals of the same name.
  cp "$f" "$tmp/real/$(printf '%04d' "$n")-$(basename "$f")"
done < <(find /usr/share/doc -name '*.pdf' -type f -size -20M 2>/dev/null | LC_ALL=C sort)
export XDG_RUNTIME_DIR=$tmp

store() { # a fresh store and settings file in $tmp/$1
  rm -rf "${tmp:?}/$1"
  mkdir -p "$tmp/$1/DOCDATA"
  printf '[KanSet]\nStorePath=%s\nOcr=0\n' "$tmp/$1" >"$tmp/$1.conf"
}

measure() { # measure NAME: the loop and the import over the folder $tmp/NAME
  local name=$1 files pages=0 megabytes baseline_start baseline import rss stored largest rss1
  files=("$tmp/$name"/*.pdf)
  [[ -e ${files[0]} ]] || { echo "$name: no PDFs found, skipped"; return; }
  for f in "${files[@]}"; do pages=$((pages + $(pdfinfo "$f" 2>/dev/null | awk '/^Pages:/ { print $2 }' || true))); done
  megabytes=$(du -sm "$tmp/$name" | cut -f1)
  echo "== $name: ${#files[@]} PDFs, $pages pages, $megabytes MB; load average $(cut -d' ' -f1-3 /proc/loadavg)"

  # The page cache holds the files for both runs alike.
  cat "${files[@]}" >/dev/null

  # Baseline: a serial loop of the two standard tools over the same files.
  baseline_start=$(date +%s.%N)
  for f in "${files[@]}"; do
    pdftotext "$f" - >/dev/null 2>&1 || true
    sha256sum "$f" >/dev/null
  done
  baseline=$(awk -v s="$baseline_start" -v e="$(date +%s.%N)" 'BEGIN { printf "%.2f", e - s }')

  store "$name-store"
  /usr/bin/time -f '%e %M' -o "$tmp/time" "$cli" --settings "$tmp/$name-store.conf" import --copy "$tmp/$name" \
    >"$tmp/out" 2>"$tmp/err" || { cat "$tmp/err" >&2; exit 1; }
  read -r import rss < "$tmp/time"
  stored=$(wc -l <"$tmp/out")

  largest=$(ls -S "${files[@]}" | sed -n 1p)  # sed reads to the end: no SIGPIPE for ls
  store "$name-single"
  /usr/bin/time -f '%e %M' -o "$tmp/time1" "$cli" --settings "$tmp/$name-single.conf" import --copy "$largest" \
    >/dev/null 2>"$tmp/err1" || { cat "$tmp/err1" >&2; exit 1; }
  read -r _ rss1 < "$tmp/time1"

  echo "baseline (pdftotext + sha256sum loop): ${baseline} s"
  echo "folidex-cli import --copy:             ${import} s, ${stored} lines"
  awk -v i="$import" -v b="$baseline" 'BEGIN { r = i / b; printf "ratio import/baseline: %.2f (aim 0.55): %s\n", r, (r <= 0.55 ? "ok" : "SLOWER") }'
  echo "peak RSS: whole folder $((rss / 1024)) MB; largest file alone ($(du -h "$largest" | cut -f1)) $((rss1 / 1024)) MB"
  echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
}

measure generated
measure real
