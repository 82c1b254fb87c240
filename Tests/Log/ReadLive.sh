#!/usr/bin/env bash
# Boots IMAGE with its serial line on a pty and reads it live with tolvern-log
# (its output on stdout, boot.sh's lines after it).
#   ReadLive.sh BOOT_SCRIPT BUILD_DIR TOLVERN_LOG IMAGE
set -euo pipefail
boot=$1 build=$2 tool=$3 image=$4
coproc BOOT { bash "$boot" --serial-pty --image "$image" --no-build --build-dir "$build" \
  --timeout 60 2>&1; }
exec {from_boot}<&"${BOOT[0]}" # stays open after bash forgets the coprocess
pty=""
while [ -z "$pty" ] && read -r line <&"$from_boot"; do
  [[ "$line" == "boot.sh: serial on "* ]] && pty=${line#boot.sh: serial on }
done
[ -n "$pty" ] || { echo "ReadLive.sh: boot.sh named no pty" >&2; exit 1; }
"$tool" --device "$pty" --baud 115200 --timeout 30
cat <&"$from_boot"
