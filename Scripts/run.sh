#!/usr/bin/env bash
# The main job: builds the firmware image and shows what it publishes.
set -euo pipefail
cd "$(dirname "$0")/.."

bash Scripts/setup.sh
bash Scripts/configure.sh main
ls -l build/main/firmware/TolvernImage.efi
