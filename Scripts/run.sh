#!/usr/bin/env bash
# The main job: builds everything, then boots the module on the emulated board
# (QEMU q35) and shows its serial log. Arguments go to Scripts/boot.sh, e.g.
# `bash Scripts/run.sh --selector 0x20` to boot at 19200 baud.
set -euo pipefail
cd "$(dirname "$0")/.."

bash Scripts/setup.sh
bash Scripts/configure.sh main
ls -l build/main/firmware/TolvernImage.efi build/main/firmware/Tolvern.ffs
# The same sources give these bytes on every machine: compare them with a colleague's.
sha256sum build/main/firmware/TolvernImage.efi build/main/BootPlatform/BootFlash.bin
bash Scripts/boot.sh --no-build "$@"
