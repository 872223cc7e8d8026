#!/usr/bin/env bash
# The spreadsheet export of a 100,000-row list: time (hyperfine) and peak memory (GNU time) of
# `folidex-cli export`, beside reading the same list alone (`folidex-cli list`), so the share of
# the workbook writer shows; and the same at 10,000 rows, to see that its memory stays flat.
# Usage: bench/export_cli_bench.sh BUILD_DIR   (bench/run passes build-bench)
set -euo pipefail
build=${1:-build-bench}
cli="$build/src/cli/folidex-cli"
gen="$build/bench/gen_list"
for tool in "$cli" "$gen"; do
  [[ -x "$tool" ]] || { echo "export_cli_bench.sh: $tool is missing (build folidex-cli and gen_list)" >&2; exit 1; }
done

data="$build/bench-data/export"
mkdir -p "$data/store/DOCDATA/LIST"
for rows in 10000 100000; do
  list="$data/store/DOCDATA/LIST/rows$rows.list"
  [[ -f "$list" ]] || "$gen" "$list" "$rows"
done
settings="$data/Folidex.conf"
printf '[KanSet]\nStorePath=%s\n' "$(realpath "$data/store")" >"$settings"
run() { "$cli" --settings "$settings" "$@"; }

peak() {  # peak resident set of a command, in MiB
  local log
  log=$(mktemp)
  /usr/bin/time -v "$@" >/dev/null 2>"$log"
  awk -F: '/Maximum resident set size/ {printf "%.1f", $2 / 1024}' "$log"
  rm -f "$log"
}

for rows in 10000 100000; do
  out="$data/rows$rows.xlsx"
  written=$(run export "rows$rows" "$out")
  [[ "$written" == "$rows" ]] || { echo "export_cli_bench.sh: wrote $written rows, expected $rows" >&2; exit 1; }
  echo "rows $rows: workbook $(du -k "$out" | cut -f1) KiB;" \
    "peak RSS export $(peak "$cli" --settings "$settings" export "rows$rows" "$out") MiB," \
    "list alone $(peak "$cli" --settings "$settings" list "rows$rows") MiB"
done

hyperfine --warmup 1 --min-runs 5 -N \
  -n "export 100,000 rows" "$cli --settings $settings export rows100000 $data/rows100000.xlsx" \
  -n "read 100,000 rows (list)" "$cli --settings $settings list rows100000"
