#!/usr/bin/env bash
# Builds and runs every test.
#   ./test.sh          the whole program: core, CLI and GUI tests (GUI tests under Xvfb)
#   ./test.sh --core   the Qt-free core alone, with its tests
#   ./test.sh --asan   the core tests under AddressSanitizer and UndefinedBehaviorSanitizer
#   ./test.sh --ci     what CI runs: formatting check, all three above, warnings as errors, and
#                      the permission tests again as an unprivileged user (scripts/unprivileged-tests)
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup

mode="${1:-}"
jobs=$(nproc)
werror=OFF
[[ "$mode" == "--ci" || -n "${CI:-}" ]] && werror=ON

build_and_test() {  # dir, ctest label filter or "", cmake options...
  local dir="$1" label="$2"
  shift 2
  cmake -S . -B "$dir" -G Ninja -DFOLIDEX_WERROR="$werror" "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  local filter=()
  [[ -n "$label" ]] && filter=(-L "$label")
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" "${filter[@]}"
}

case "$mode" in
  "")
    build_and_test build "" ;;
  --core)
    build_and_test build-core "" -DFOLIDEX_CORE_ONLY=ON ;;
  --asan)
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
      build_and_test build-asan unit -DFOLIDEX_CORE_ONLY=ON -DFOLIDEX_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug \
      -DFOLIDEX_BENCH=OFF ;;
  --ci)
    scripts/format --check
    build_and_test build-core "" -DFOLIDEX_CORE_ONLY=ON
    scripts/unprivileged-tests build-core
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
      build_and_test build-asan unit -DFOLIDEX_CORE_ONLY=ON -DFOLIDEX_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug \
      -DFOLIDEX_BENCH=OFF
    build_and_test build "" ;;
  *)
    echo "usage: ./test.sh [--core|--asan|--ci]" >&2
    exit 2 ;;
esac
