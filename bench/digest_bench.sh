#!/usr/bin/env bash
# FileDigestHex against sha256sum over a folder of generated PDFs (warm cache, hyperfine).
# Usage: bench/digest_bench.sh BUILD_DIR   (bench/run passes build-bench)
set -euo pipefail
build=${1:-build-bench}
tool="$build/bench/digest_tool"
[[ -x "$tool" ]] || { echo "digest_bench.sh: $tool is missing (build the digest_tool target)" >&2; exit 1; }

data="$build/bench-data/digest-pdfs"
if [[ ! -f "$data/.complete" ]]; then
  rm -rf "$data"
  mkdir -p "$data"
  # 40 PDFs of 0.5 to 8 MiB, 160 MiB in all.
  for i in $(seq 1 40); do
    size=$(( (i % 16 + 1) * 512 * 1024 ))
    { printf '%%PDF-1.4\n'; head -c "$size" /dev/urandom; printf '\n%%%%EOF\n'; } >"$data/doc$i.pdf"
  done
  touch "$data/.complete"
fi

# Same digests as sha256sum, file for file.
if ! diff <(sha256sum "$data"/*.pdf) <("$tool" "$data"/*.pdf) >/dev/null; then
  echo "digest_bench.sh: FileDigestHex differs from sha256sum" >&2
  exit 1
fi

json=$(mktemp)
trap 'rm -f "$json"' EXIT
files=$(printf '%s ' "$data"/*.pdf)
hyperfine --warmup 3 --min-runs 15 -N --export-json "$json" \
  -n sha256sum "sha256sum $files" \
  -n FileDigestHex "$tool $files"
python3 - "$json" <<'PY'
import json, sys
results = {r["command"]: r["mean"] for r in json.load(open(sys.argv[1]))["results"]}
ratio = results["FileDigestHex"] / results["sha256sum"]
print(f"FileDigestHex / sha256sum = {ratio:.3f} (limit 1.2): {'ok' if ratio <= 1.2 else 'TOO SLOW'}")
sys.exit(0 if ratio <= 1.2 else 1)
PY
