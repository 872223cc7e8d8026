#!/usr/bin/env bash
# kill_import.sh BUILD_DIR [COUNT] [KILLS]: `folidex-cli import --copy --skip-duplicates` of a
# folder of COUNT (default 300) generated PDFs, killed with SIGKILL at random moments KILLS times
# (default 20), then run to its end. Then the store is examined by this script and by
# `folidex-cli check`, and the figures printed: kills, records, documents, duplicates, gaps,
# records found by a search, and the problems `check` reports (leftovers of the killed runs:
# copies stored just before their record, temporaries of a write cut short; and anything else).
# A sound store has records = documents, no duplicate, every record found, no other problem.
set -euo pipefail
build=${1:-build-bench}
count=${2:-300}
kills=${3:-20}
cli=$build/src/cli/folidex-cli
gen=$build/bench/gen_pdfs
for program in "$cli" "$gen"; do
  [[ -x $program ]] || { echo "kill_import.sh: $program is missing (build folidex-cli and gen_pdfs)" >&2; exit 1; }
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

"$gen" "$tmp/pdfs" "$count" >/dev/null
documents=$(find "$tmp/pdfs" -name '*.pdf' | wc -l)
mkdir -p "$tmp/store/DOCDATA"
printf '[KanSet]\nStorePath=%s\nOcr=0\nKakunin=0\nHitMax=3000\n' "$tmp/store" >"$tmp/settings.conf"
export XDG_RUNTIME_DIR=$tmp
import=("$cli" --settings "$tmp/settings.conf" import --copy --skip-duplicates --no-ocr "$tmp/pdfs")

start=$(date +%s)
killed=0
for ((k = 0; k < kills; k++)); do
  "${import[@]}" >/dev/null 2>&1 &
  pid=$!
  sleep "$(awk -v r="$RANDOM" 'BEGIN { printf "%.2f", 0.1 + r / 32767 * 2.4 }')"
  if kill -KILL "$pid" 2>/dev/null; then killed=$((killed + 1)); fi
  wait "$pid" 2>/dev/null || true
done
status=0
"${import[@]}" >"$tmp/rerun.out" 2>"$tmp/rerun.err" || status=$?
elapsed=$(($(date +%s) - start))

txt=$tmp/store/DOCDATA/TXT
records=$(find "$txt" -name '????????.TXT' | wc -l)
find "$txt" -name '????????.TXT' -exec grep -a -h '^<Y2>' {} + | tr -d '\r' | sort >"$tmp/y2"
duplicates=$(($(wc -l <"$tmp/y2") - $(uniq "$tmp/y2" | wc -l)))
counter=$("$cli" --settings "$tmp/settings.conf" counter 2>/dev/null || echo "?")
found=$("$cli" --settings "$tmp/settings.conf" search --max 100000 2>/dev/null | wc -l)
check_status=0
"$cli" --settings "$tmp/settings.conf" check >"$tmp/check" 2>&1 || check_status=$?
leftover=$(grep -c 'データファイルのない残りのファイルです' "$tmp/check" || true)
problems=$(($(wc -l <"$tmp/check") - 1))

echo "documents: $documents, kills: $killed of $kills, rerun exit status: $status, ${elapsed} s in all"
echo "records: $records, duplicates: $duplicates, counter: $counter, gaps: $((10#$counter - records))"
echo "found by a search: $found"
echo "check (exit $check_status): $problems problems, of which $leftover leftovers of killed runs"
if ((problems > leftover)); then grep -v 'データファイルのない残りのファイルです' "$tmp/check" | sed 1d | head -20; fi
sed -n 1p "$tmp/check"
sound=yes
((records == documents && duplicates == 0 && found == records && problems == leftover && status == 0)) || sound=no
echo "store sound: $sound"
[[ $sound == yes ]]
