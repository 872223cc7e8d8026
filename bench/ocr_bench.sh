#!/usr/bin/env bash
# ocr_bench.sh BUILD_DIR: quality and speed of the text recognition (`folidex-cli ocr`, Tesseract
# with jpn+jpn_vert+eng and osd).
#
# ocr_bench_tool draws text PDFs (Japanese horizontal writing, a vertical-writing page, an English
# page; and two pages as paper scans come: skewed with noise, and sideways), renders their pages at
# 300 dpi in greyscale with the program's PDF engine and wraps them again as picture-only PDFs.
# folidex-cli ocr reads each, and its output is compared with the text drawn by character-bigram
# recall (white space ignored). Speed is pages per CPU second, which is pages per second per core
# (a page is read on one core), after the engine's start (timed on load.pdf, one page with text,
# so the models are loaded but nothing is recognised) is taken off each run; the CPU time includes
# the recognition workers'. Peak resident memory is shown per run, of its largest process (the
# program or one recognition worker, which holds its models and one page, whatever the count).
# `ocr_bench_tool cancel SCAN.pdf [DPI]` times how fast a cancel stops a page, by hand.
#
# Besides, pages as documents are scanned (headings, two columns, a vertical page, a table;
# blurred, turned by 1 to 2 degrees, speckled, JPEG). "align" is character alignment recall (the
# share of the true characters kept in order); "cli" is the same for the `tesseract` program with
# its default options and the same models (jpn+jpn_vert+eng), when it is installed. Pages per
# second are per machine: the pages of a document are read at once on every core.
set -euo pipefail
build=${1:-build-bench}
cli=$build/src/cli/folidex-cli
tool=$build/bench/ocr_bench_tool
for program in "$cli" "$tool"; do
  [[ -x $program ]] || { echo "ocr_bench.sh: $program is missing (build folidex-cli and ocr_bench_tool)" >&2; exit 1; }
done
[[ -x /usr/bin/time ]] || { echo "ocr_bench.sh: /usr/bin/time is not installed" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

"$tool" make "$tmp" >"$tmp/samples" 2>"$tmp/make.err" || { cat "$tmp/make.err" >&2; exit 1; }
printf '[KanSet]\nStorePath=%s\n' "$tmp" >"$tmp/settings.conf"

# run PDF OUT: prints "CPU-seconds wall-seconds peak-RSS-MB" of one `folidex-cli ocr`.
run() {
  /usr/bin/time -f '%U %S %e %M' -o "$tmp/time" "$cli" --settings "$tmp/settings.conf" ocr "$1" >"$2" \
    2>"$tmp/err" || { cat "$tmp/err" >&2; exit 1; }
  awk '{ printf "%.2f %.2f %d\n", $1 + $2, $3, $4 / 1024 }' "$tmp/time"
}

read -r load_cpu load_wall load_rss < <(run "$tmp/load.pdf" /dev/null)
echo "engine start (models loaded, nothing recognised): ${load_cpu} CPU s, ${load_wall} s, ${load_rss} MB"
printf '%-14s %5s %7s %6s %6s %7s %7s %13s %7s\n' sample pages recall align cli "CPU s" "wall s" "pages/s/core" "RSS MB"
total_wall=0
sum_align=0
sum_cli=0
total_pages=0
total_net=0
horizontal=0
while read -r name pages; do
  read -r cpu wall rss < <(run "$tmp/$name.scan.pdf" "$tmp/$name.out")
  recall=$("$tool" recall "$tmp/$name.truth.txt" "$tmp/$name.out" 2>/dev/null)
  align=$("$tool" align "$tmp/$name.truth.txt" "$tmp/$name.out" 2>/dev/null)
  engine=-
  if command -v tesseract >/dev/null; then
    : >"$tmp/$name.cli"
    for image in "$tmp/$name".*.png; do
      OMP_THREAD_LIMIT=1 tesseract "$image" - -l jpn+jpn_vert+eng 2>/dev/null >>"$tmp/$name.cli" || true
    done
    engine=$("$tool" align "$tmp/$name.truth.txt" "$tmp/$name.cli" 2>/dev/null)
    sum_cli=$(awk -v a="$sum_cli" -v b="$engine" -v p="$pages" 'BEGIN { print a + b * p }')
  fi
  sum_align=$(awk -v a="$sum_align" -v b="$align" -v p="$pages" 'BEGIN { print a + b * p }')
  total_wall=$(awk -v a="$total_wall" -v b="$wall" -v l="$load_wall" 'BEGIN { n = b - l; print a + (n < 0.01 ? 0.01 : n) }')
  net=$(awk -v c="$cpu" -v l="$load_cpu" 'BEGIN { n = c - l; print (n < 0.01 ? 0.01 : n) }')
  rate=$(awk -v p="$pages" -v n="$net" 'BEGIN { printf "%.3f", p / n }')
  printf '%-14s %5d %7s %6s %6s %7s %7s %13s %7s\n' "$name" "$pages" "$recall" "$align" "$engine" "$cpu" "$wall" "$rate" "$rss"
  total_pages=$((total_pages + pages))
  total_net=$(awk -v a="$total_net" -v b="$net" 'BEGIN { print a + b }')
  [[ $name == ja-horizontal ]] && horizontal=$recall
done <"$tmp/samples"
awk -v p="$total_pages" -v n="$total_net" \
  'BEGIN { printf "all samples: %d pages, %.1f CPU s after the start, %.3f pages/s/core (%.1f s a page)\n", p, n, p / n, n / p }'
awk -v p="$total_pages" -v w="$total_wall" -v a="$sum_align" -v c="$sum_cli" \
  'BEGIN { printf "overall alignment: folidex %.3f, tesseract CLI %.3f; %.3f pages/s on this machine (wall, after the start)\n", a / p, c / p, p / w }'
verdict=$(awk -v r="$horizontal" 'BEGIN { print (r >= 0.90 ? "ok" : "BELOW") }')
echo "clean 300-dpi horizontal Japanese: recall $horizontal (aim >= 0.90): $verdict"
