#!/usr/bin/env bash
# Builds and starts Folidex. Arguments are passed to the program.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j "$(nproc)" --target folidex
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "No display found. To run Folidex without one, start it under a virtual display:" >&2
  echo "  xvfb-run -a -s '-screen 0 1600x1000x24' build/src/app/folidex" >&2
  exit 1
fi
exec build/src/app/folidex "$@"
