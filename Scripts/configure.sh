#!/usr/bin/env bash
# Configures and builds one of the project's builds: main, sanitize or host32.
set -euo pipefail
cd "$(dirname "$0")/.."

kind=${1:-main}
case "$kind" in
  main) options=() ;;
  sanitize) options=(-DTOLVERN_SANITIZE=ON -DTOLVERN_SLOW_TESTS=OFF) ;;
  host32) options=(-DTOLVERN_HOST32=ON) ;;
  *) echo "unknown build '$kind' (main, sanitize, host32)" >&2; exit 2 ;;
esac

cmake -G Ninja -S . -B "build/$kind" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  "${options[@]}" >/dev/null
cmake --build "build/$kind"
