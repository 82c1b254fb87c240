#!/usr/bin/env bash
# The main job: builds the firmware image and shows the flash map it publishes,
# read back from the image bytes by the inspector.
set -euo pipefail
cd "$(dirname "$0")/.."

bash Scripts/setup.sh
bash Scripts/configure.sh main
image=build/main/firmware/TolvernImage.efi
echo "$image: $(stat -c %s "$image") bytes"
build/main/Tools/Inspector/tolvern-inspect "$image"
