#!/usr/bin/env bash
# Fails when a tracked C++ file is not clang-format clean.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z '*.cpp' '*.h' '*.hpp' | xargs -0 -r clang-format --dry-run -Werror
