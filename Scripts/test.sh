#!/usr/bin/env bash
# Builds everything (image, host tools, 64-bit, sanitized and 32-bit host
# builds) and runs every test through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."

bash Scripts/setup.sh
jobs=$(nproc)

for kind in main sanitize host32; do
  echo "== build: $kind"
  bash Scripts/configure.sh "$kind"
  (cd "build/$kind" && ctest --output-on-failure -j "$jobs")
done
