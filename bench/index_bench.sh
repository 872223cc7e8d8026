#!/usr/bin/env bash
# index_bench.sh [--million] [--cold] [BUILD_DIR]: the search index against the scan on a
# synthetic store.
#
# A store of INDEX_BENCH_RECORDS (default 100000) records of INDEX_BENCH_MEAN (default 5000) body
# bytes (--million: 1,000,000 records of 2,400 bytes) is generated once with gen_store (beside
# search_bench.sh's stores) and its index built with `folidex-cli index --rebuild` in a cache
# folder of its own: build time, peak memory, and the index's size against the stored text's.
# An index already built by the same program is kept (INDEX_BENCH_REBUILD=1 builds it anew).
# Then, with the page cache warm, the whole `folidex-cli search` process (status sweep
# included) is timed with the index and with --scan for a two-character and a four-character
# Japanese body term and an ASCII one, exact and folded; each time is printed with its ratio to
# the scan of the same run, and peak RSS. The hit sets of both ways are checked to be identical
# first, and the parts of one indexed search are timed apart (index_phases). An import of
# INDEX_BENCH_IMPORT (default 100) generated PDFs is timed with the index kept up to date and
# without (KanSet/Index=0). --cold (root) drops the page cache before each of
# INDEX_BENCH_COLD_RUNS (default 5) cold runs of the four-character term with the index and by
# the scan, and prints their medians and ratio.
set -euo pipefail
cold=${INDEX_BENCH_COLD:-0}
records=${INDEX_BENCH_RECORDS:-100000}
mean=${INDEX_BENCH_MEAN:-5000}
build=build-bench
for arg in "$@"; do
  case $arg in
    --cold) cold=1 ;;
    --million) records=1000000 mean=2400 ;;
    -*) echo "usage: index_bench.sh [--million] [--cold] [BUILD_DIR]" >&2; exit 2 ;;
    *) build=$arg ;;
  esac
done
cli=$build/src/cli/folidex-cli
gen=$build/bench/gen_store
pdfs=$build/bench/gen_pdfs
phases=$build/bench/index_phases
runs=${INDEX_BENCH_RUNS:-10}
stores=${SEARCH_BENCH_STORES:-${TMPDIR:-/tmp}/folidex-search-stores}
for tool in "$cli" "$gen"; do
  [[ -x $tool ]] || { echo "index_bench.sh: $tool is missing (build folidex-cli and gen_store)" >&2; exit 1; }
done
for tool in hyperfine jq /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "index_bench.sh: $tool is not installed" >&2; exit 1; }
done
mkdir -p "$stores"
stores=$(cd "$stores" && pwd)
store=$stores/store-v2-$records-$mean
if [[ ! -f $store/.complete ]]; then
  rm -rf "$store"
  mkdir -p "$store"
  echo "generating $records records, mean body $mean bytes, in $store"
  "$gen" --out "$store" --records "$records" --mean-body "$mean"
  touch "$store/.complete"
fi
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export XDG_CACHE_HOME=$stores/cache-index-$records-$mean
settings=$tmp/settings.conf
printf '[KanSet]\nStorePath=%s\nKakunin=0\nHitMax=3000\nIndex=1\n[Sys]\nNo=%08d\n' "$store" "$records" >"$settings"
c=("$cli" --settings "$settings")
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }

text_bytes=$(du -sb "$store/DOCDATA/TXT" | cut -f1)
echo "== store $records x $mean B: record files $text_bytes bytes"
find "$store/DOCDATA/TXT" -type f -exec cat {} + >/dev/null  # warm
if [[ ${INDEX_BENCH_REBUILD:-0} == 1 ]] || ! "${c[@]}" index --check >"$tmp/figures" 2>&1; then
  read -r build_s build_kb < <(/usr/bin/time -f '%e %M' "${c[@]}" index --rebuild 2>&1 >"$tmp/figures" | tail -1)
  echo "index build: ${build_s} s, peak RSS $((build_kb / 1024)) MB"
else
  echo "index build: the index built before is current (INDEX_BENCH_REBUILD=1 builds it anew)"
fi
cat "$tmp/figures"
# Groonga's files are sparse: the space they take is their blocks, not their lengths.
index_bytes=$(du -s --block-size=1 "$XDG_CACHE_HOME" | cut -f1)
index_length=$(du -sb "$XDG_CACHE_HOME" | cut -f1)
echo "index size on disk: $index_bytes bytes = $(ratio "$index_bytes" "$text_bytes") x the record files" \
  "(files' lengths $index_length bytes)"

terms=(量子 量子暗号 qzxjwv)
for term in "${terms[@]}"; do
  for mode in --exact --fold; do
    "${c[@]}" search --body "$term" $mode --index 2>/dev/null | cut -f2 >"$tmp/index"
    "${c[@]}" search --body "$term" $mode --scan 2>/dev/null | cut -f2 >"$tmp/scan"
    cmp -s "$tmp/index" "$tmp/scan" || { echo "index_bench.sh: hits differ for $term $mode" >&2; exit 1; }
  done
done
echo "hit sets with the index identical to the scan's: yes"

args=()
for term in "${terms[@]}"; do
  for mode in --exact --fold; do
    args+=(-n "index $term $mode" "${c[*]} search --body $term $mode --index")
    args+=(-n "scan $term $mode" "${c[*]} search --body $term $mode --scan")
  done
done
hyperfine -N --style basic --warmup 2 --runs "$runs" --export-json "$tmp/times.json" "${args[@]}" >"$tmp/hyperfine.log" 2>&1 ||
  { cat "$tmp/hyperfine.log"; exit 1; }
k=0
for term in "${terms[@]}"; do
  for mode in --exact --fold; do
    with=$(jq -r ".results[$k].median" "$tmp/times.json")
    without=$(jq -r ".results[$((k + 1))].median" "$tmp/times.json")
    rss=$(/usr/bin/time -f %M "${c[@]}" search --body "$term" $mode --index 2>&1 >/dev/null | tail -1)
    printf 'body %-10s %-7s index %.3f s, scan %.3f s, ratio %s (target <= 0.2), peak RSS %d MB\n' \
      "$term" "$mode" "$with" "$without" "$(ratio "$with" "$without")" "$((rss / 1024))"
    k=$((k + 2))
  done
done

if [[ -x $phases ]]; then
  echo "parts of one indexed search (one process, warm):"
  "$phases" "$store/DOCDATA" 量子 量子暗号 qzxjwv | sed 's/^/  /'
fi
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"

if [[ $cold == 1 ]]; then
  [[ -w /proc/sys/vm/drop_caches ]] || { echo "index_bench.sh: --cold needs root (drop_caches)" >&2; exit 1; }
  median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
  declare -A cold_s
  for way in --index --scan; do
    for ((r = 0; r < ${INDEX_BENCH_COLD_RUNS:-5}; ++r)); do
      sync
      echo 3 >/proc/sys/vm/drop_caches
      start=$(date +%s.%N)
      "${c[@]}" search --body 量子暗号 --exact $way >/dev/null 2>&1
      awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { printf "%.3f\n", e - s }'
    done >"$tmp/cold$way"
    cold_s[$way]=$(median <"$tmp/cold$way")
    echo "cold body 量子暗号 $way: median $(printf '%.3f' "${cold_s[$way]}") s of $(paste -sd' ' "$tmp/cold$way")"
  done
  echo "cold ratio index/scan: $(ratio "${cold_s[--index]}" "${cold_s[--scan]}")"
  find "$store/DOCDATA/TXT" -type f -exec cat {} + >/dev/null  # warm again for what follows
fi

count=${INDEX_BENCH_IMPORT:-100}
if [[ -x $pdfs && $count -gt 0 ]]; then
  "$pdfs" "$tmp/pdfs" "$count" >/dev/null
  cat "$tmp"/pdfs/*.pdf >/dev/null
  import() { # $1: KanSet/Index; prints the seconds of one import into a fresh store
    rm -rf "$tmp/istore" "$tmp/icache"
    mkdir -p "$tmp/istore/DOCDATA"
    printf '[KanSet]\nStorePath=%s\nOcr=0\nIndex=%s\n' "$tmp/istore" "$1" >"$tmp/import.conf"
    XDG_CACHE_HOME=$tmp/icache "$cli" --settings "$tmp/import.conf" index --rebuild >/dev/null 2>&1
    local start
    start=$(date +%s.%N)
    XDG_CACHE_HOME=$tmp/icache "$cli" --settings "$tmp/import.conf" import --copy "$tmp/pdfs" >/dev/null 2>&1
    awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { printf "%.3f", e - s }'
  }
  without=$(import 0)
  with=$(import 1)
  echo "import of $count PDFs: with the index $with s, without $without s, ratio $(ratio "$with" "$without") (target <= 1.2)"
fi
