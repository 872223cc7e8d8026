#!/usr/bin/env bash
# search_bench.sh BUILD_DIR: times `folidex-cli search` against ripgrep on synthetic stores.
#
# For each store shape (records:mean body bytes; default 20000:20000 and 100000:5000) a store
# is generated once with gen_store under $TMPDIR/folidex-search-stores (or $SEARCH_BENCH_STORES) and
# reused. With the page cache warm, hyperfine times a body search, a full-text search and a
# title search of folidex-cli against `rg -l -F -j1` and `rg -l -F` (all threads) on
# DOCDATA/TXT, and the ratios of the medians are printed (below 1.0: folidex-cli is faster).
# A Japanese body term is timed too, against ripgrep given its CP932 bytes.
# Before timing, the hit sets are checked to be identical to ripgrep's and to the planted sets.
# Peak resident memory of the body search is reported from /usr/bin/time.
#
#   SEARCH_BENCH_SHAPES="20000:20000 100000:5000"   SEARCH_BENCH_RUNS=10
#
# SEARCH_BENCH_COLD=1 adds cold runs (SEARCH_BENCH_COLD_RUNS each, default 3): the scan's body
# search and `dupes --all`, with the read-ahead hints off (FOLIDEX_READ_AHEAD=0, how both read
# before the hints) and as they are by default, the store's pages evicted before each run, and the ratios printed.
# Eviction drops the page cache when /proc/sys/vm/drop_caches is writable; otherwise (a
# container) each record file's pages are evicted with posix_fadvise(DONTNEED), which leaves
# the kernel's inode and directory caches warm, so such a cold run is colder only in its data.
set -euo pipefail
build=${1:-build-bench}
cli=$build/src/cli/folidex-cli
gen=$build/bench/gen_store
stores=${SEARCH_BENCH_STORES:-${TMPDIR:-/tmp}/folidex-search-stores}
shapes=${SEARCH_BENCH_SHAPES:-"20000:20000 100000:5000"}
runs=${SEARCH_BENCH_RUNS:-10}
for tool in "$cli" "$gen"; do
  [[ -x $tool ]] || { echo "search_bench.sh: $tool is missing (build folidex-cli and gen_store)" >&2; exit 1; }
done
for tool in hyperfine rg jq; do
  command -v "$tool" >/dev/null || { echo "search_bench.sh: $tool is not installed" >&2; exit 1; }
done
mkdir -p "$stores"
stores=$(cd "$stores" && pwd)

term=qzxjwv        # planted in bodies (stored upper-case: QZXJWV)
ja=量子暗号        # planted beside it; ripgrep gets its CP932 bytes
ja_bytes="(?-u:$(printf '%s' "$ja" | iconv -f UTF-8 -t CP932 | od -An -tx1 | tr -d ' \n' | sed 's/../\\x&/g'))"
title=QZTITLE      # planted in titles
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

serials_of_rg() { sed -e 's|.*/||' -e 's|\.TXT$||' | sort; }
serials_of_cli() { cut -f2 | sort; }

median() { jq -r ".results[$2].median" "$1"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

for shape in $shapes; do
  records=${shape%%:*}
  mean=${shape##*:}
  store=$stores/store-v2-$records-$mean
  if [[ ! -f $store/.complete ]]; then
    rm -rf "$store"
    mkdir -p "$store"
    echo "generating $records records, mean body $mean bytes, in $store"
    "$gen" --out "$store" --records "$records" --mean-body "$mean"
    touch "$store/.complete"
  fi
  settings=$store/settings.conf
  printf '[KanSet]\nStorePath=%s\nKakunin=0\nHitMax=3000\n[Sys]\nNo=%08d\n' "$store" "$records" >"$settings"
  txt=$store/DOCDATA/TXT
  search=("$cli" --settings "$settings" search)
  # The ripgrep comparisons match exactly; the folded body search (表記ゆれ forgiven, the
  # setting's default) is timed beside the exact one.

  echo "== store $records x $mean B ($(du -sh "$txt" | cut -f1)), page cache warm"
  rg -l -F -j1 "${term^^}" "$txt" >/dev/null || true  # warm the cache
  "${search[@]}" --body "$term" --exact 2>/dev/null | serials_of_cli >"$tmp/cli-body"
  "${search[@]}" --body "$term" --fold 2>/dev/null | serials_of_cli >"$tmp/cli-fold"
  "${search[@]}" --body "$ja" --fold 2>/dev/null | serials_of_cli >"$tmp/cli-ja-fold"
  rg -l -F "${term^^}" "$txt" | serials_of_rg >"$tmp/rg-body" || true
  "${search[@]}" --all "$term" --exact 2>/dev/null | serials_of_cli >"$tmp/cli-all"
  "${search[@]}" --body "$ja" --exact 2>/dev/null | serials_of_cli >"$tmp/cli-ja"
  rg -l --no-unicode "$ja_bytes" "$txt" | serials_of_rg >"$tmp/rg-ja" || true
  "${search[@]}" --title "$title" --exact 2>/dev/null | serials_of_cli >"$tmp/cli-title"
  rg -l -F "$title" "$txt" | serials_of_rg >"$tmp/rg-title" || true
  sort "$store/planted-body.txt" >"$tmp/planted-body"
  sort "$store/planted-title.txt" >"$tmp/planted-title"
  same=yes
  cmp -s "$tmp/cli-body" "$tmp/rg-body" || same=no
  cmp -s "$tmp/cli-body" "$tmp/planted-body" || same=no
  cmp -s "$tmp/cli-all" "$tmp/rg-body" || same=no
  cmp -s "$tmp/cli-ja" "$tmp/rg-ja" || same=no
  cmp -s "$tmp/cli-ja" "$tmp/planted-body" || same=no
  cmp -s "$tmp/cli-title" "$tmp/rg-title" || same=no
  cmp -s "$tmp/cli-title" "$tmp/planted-title" || same=no
  cmp -s "$tmp/cli-fold" "$tmp/planted-body" || same=no
  cmp -s "$tmp/cli-ja-fold" "$tmp/planted-body" || same=no
  echo "hit sets identical to ripgrep's and to the planted sets: $same" \
    "(body $(wc -l <"$tmp/cli-body"), title $(wc -l <"$tmp/cli-title"))"
  [[ $same == yes ]] || { echo "search_bench.sh: hit sets differ" >&2; exit 1; }

  rss=$(/usr/bin/time -f %M "${search[@]}" --body "$term" 2>&1 >/dev/null | tail -1)
  echo "peak RSS of the body search: $((rss / 1024)) MB"

  hyperfine -N --style basic --warmup 2 --runs "$runs" --export-json "$tmp/times.json" \
    -n "folidex body" "${search[*]} --exact --body $term" \
    -n "folidex full text" "${search[*]} --exact --all $term" \
    -n "folidex title" "${search[*]} --exact --title $title" \
    -n "rg -j1" "rg -l -F -j1 ${term^^} $txt" \
    -n "rg" "rg -l -F ${term^^} $txt" \
    -n "folidex body (Japanese)" "${search[*]} --exact --body $ja" \
    -n "rg -j1 (Japanese)" "rg -l -j1 --no-unicode '$ja_bytes' $txt" \
    -n "rg (Japanese)" "rg -l --no-unicode '$ja_bytes' $txt" \
    -n "folidex body folded" "${search[*]} --fold --body $term" \
    -n "folidex body folded (Japanese)" "${search[*]} --fold --body $ja" >"$tmp/hyperfine.log" 2>&1 ||
    { cat "$tmp/hyperfine.log"; exit 1; }
  body=$(median "$tmp/times.json" 0)
  all=$(median "$tmp/times.json" 1)
  ttl=$(median "$tmp/times.json" 2)
  rg1=$(median "$tmp/times.json" 3)
  rgn=$(median "$tmp/times.json" 4)
  jab=$(median "$tmp/times.json" 5)
  ja1=$(median "$tmp/times.json" 6)
  jan=$(median "$tmp/times.json" 7)
  fold=$(median "$tmp/times.json" 8)
  jaf=$(median "$tmp/times.json" 9)
  printf 'median seconds: body %.3f, full text %.3f, title %.3f, rg -j1 %.3f, rg %.3f\n' \
    "$body" "$all" "$ttl" "$rg1" "$rgn"
  printf 'median seconds, Japanese body term: folidex %.3f, rg -j1 %.3f, rg %.3f\n' "$jab" "$ja1" "$jan"
  # CPU seconds (user + system, mean) vary less than wall time on a busy machine.
  cpu() { jq -r ".results[$1] | .user + .system" "$tmp/times.json"; }
  printf 'CPU seconds: body %.3f, full text %.3f, title %.3f, rg -j1 %.3f, rg %.3f\n' \
    "$(cpu 0)" "$(cpu 1)" "$(cpu 2)" "$(cpu 3)" "$(cpu 4)"
  echo "ratio body / rg -j1:      $(ratio "$body" "$rg1")   (target <= 1.0)"
  echo "ratio body / rg:          $(ratio "$body" "$rgn")"
  echo "ratio full text / rg -j1: $(ratio "$all" "$rg1")"
  echo "ratio full text / rg:     $(ratio "$all" "$rgn")"
  echo "ratio title / rg -j1:     $(ratio "$ttl" "$rg1")"
  echo "ratio title / rg:         $(ratio "$ttl" "$rgn")"
  echo "ratio Japanese body / rg -j1: $(ratio "$jab" "$ja1")   (rg -j1 on the same term)"
  echo "ratio Japanese body / rg:     $(ratio "$jab" "$jan")"
  printf 'median seconds, folded body: %.3f (Japanese %.3f)\n' "$fold" "$jaf"
  echo "ratio folded body / exact body:       $(ratio "$fold" "$body")   (target <= 1.5)"
  echo "ratio folded Japanese / exact Japanese: $(ratio "$jaf" "$jab")   (target <= 1.5)"

  if [[ ${SEARCH_BENCH_COLD:-0} == 1 ]]; then
    cold_runs=${SEARCH_BENCH_COLD_RUNS:-3}
    evict() {
      sync
      if [[ -w /proc/sys/vm/drop_caches ]]; then
        echo 3 >/proc/sys/vm/drop_caches
      else
        python3 -c '
import os, sys
for top, _, files in os.walk(sys.argv[1]):
    for name in files:
        fd = os.open(os.path.join(top, name), os.O_RDONLY)
        os.posix_fadvise(fd, 0, 0, os.POSIX_FADV_DONTNEED)
        os.close(fd)
' "$txt"
      fi
    }
    how=$([[ -w /proc/sys/vm/drop_caches ]] && echo "page cache dropped" || echo "record files evicted by posix_fadvise")
    echo "== store $records x $mean B, cold ($how), $cold_runs runs each"
    cold_median() {  # READ_AHEAD COMMAND...: the median wall seconds of cold runs
      local ahead=$1
      shift
      for _ in $(seq "$cold_runs"); do
        evict
        local start=$(date +%s.%N)
        FOLIDEX_READ_AHEAD=$ahead "$@" >/dev/null 2>&1 || true
        awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { printf "%.3f\n", e - s }'
      done | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'
    }
    scan_off=$(cold_median 0 "${search[@]}" --scan --exact --body "$term")
    scan_on=$(cold_median "" "${search[@]}" --scan --exact --body "$term")
    dupes_off=$(cold_median 0 "$cli" --settings "$settings" dupes --all)
    dupes_on=$(cold_median "" "$cli" --settings "$settings" dupes --all)
    printf 'cold median seconds: scan %.3f without hints, %.3f with; dupes --all %.3f without, %.3f with\n' \
      "$scan_off" "$scan_on" "$dupes_off" "$dupes_on"
    echo "ratio cold scan with hints / without:   $(ratio "$scan_on" "$scan_off")   (target <= 0.75)"
    echo "ratio cold dupes --all with / without:  $(ratio "$dupes_on" "$dupes_off")"
    echo "ratio cold dupes --all / cold scan (with hints): $(ratio "$dupes_on" "$scan_on")"
  fi
done
