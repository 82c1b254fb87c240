#!/usr/bin/env bash
# Boots the module on QEMU's q35 board from the 16 MiB flash image, shows the
# serial log as it arrives and ends with the emulator's verdict.
#
#   Scripts/boot.sh [--selector 0xNN] [--image normal|failing] [--build-dir DIR]
#                   [--no-build] [--timeout SECONDS] [--flash FILE] [--gdb PORT]
#                   [--serial-pty]
#   Scripts/boot.sh --help
#
# --selector   the byte written to CMOS register 0x6F before the module runs
#              (0xNN or decimal, at most 255; bits 5..4 choose the baud rate:
#              0x00 115200, 0x10 57600, 0x20 19200, 0x30 9600); without it CMOS
#              keeps the board's value
# --raw-selector TEXT  hand TEXT to the board unchecked (to test the boot
#              platform's own check of it)
# --image      failing: the test variant whose constructor list also fails
# --build-dir  the build tree to use (default build/main)
# --no-build   boot what is built, without building first
# --timeout    seconds before a boot that has not ended counts as a hang
#              (a positive number; default 60, none with --gdb)
# --flash      boot this flash image instead (implies --no-build; not with
#              --image): a regular file of the board's 16 MiB with a firmware
#              volume in it and a reset vector in its last 16 bytes
# --gdb        start halted at the reset vector, with QEMU's gdb stub on
#              127.0.0.1:PORT (1..65535), and print the command that attaches
#              gdb with the build's symbols; the serial log stays here
# --serial-pty the board's serial line on a pseudo-terminal instead of here:
#              prints "boot.sh: serial on /dev/pts/N"; what the board sends
#              waits there for a reader such as
#              `tolvern-log --device /dev/pts/N --baud 115200`, and the
#              script ends only when the reader has taken all of it (or
#              after the timeout once more)
# --help       print this text
# Exit status: 0 when the boot platform reports success, 1 otherwise
# (including a hang, which the timeout turns into a failure; a hang right
# after an assertion report is named as the hold of an image built with
# TOLVERN_ASSERT_ACTION=deadloop), 2 for a usage error (one line on stderr,
# before anything boots).
set -euo pipefail
caller_dir=$PWD
cd "$(dirname "$0")/.."

usage_error() {
  echo "boot.sh: $*" >&2
  exit 2
}

# The text above, from the comment block at the top of this file.
print_usage() {
  sed -n '2,/^[^#]/{/^#/s/^# \{0,1\}//p}' "$0"
}

# QEMU maps the file at the top of 4 GiB as the board's flash device.
FLASH_BYTES=$((16 << 20))

# Refuses, before QEMU starts, a file the board cannot boot from at all; a
# damaged volume or PEIM is left for the boot platform to refuse itself.
check_flash() {
  local file=$1 shown=$2
  [ -e "$file" ] || usage_error "--flash $shown: no such file"
  [ -f "$file" ] || usage_error "--flash $shown: not a regular file"
  local bytes
  bytes=$(stat -L -c %s "$file")
  ((bytes == FLASH_BYTES)) ||
    usage_error "--flash $shown: $bytes bytes, not a flash image of the board's $FLASH_BYTES bytes"
  LC_ALL=C grep -q -a -F _FVH "$file" ||
    usage_error "--flash $shown: no firmware volume in it, not a flash image for the board"
  [ "$(tail -c 16 "$file" | od -A n -t x1 | tr -d ' \n')" != "$(printf 'ff%.0s' {1..16})" ] ||
    usage_error "--flash $shown: its last 16 bytes are erased (no reset vector), not a flash image for the board"
}

selector=""
image=normal
build_dir=build/main
build=1
timeout_seconds=""
flash=""
flash_shown=""
gdb_port=""
image_chosen=0
serial_pty=0

while (($#)); do
  option=$1
  case "$option" in
    --no-build) build=0; shift; continue ;;
    --serial-pty) serial_pty=1; shift; continue ;;
    --help) print_usage; exit 0 ;;
    --selector | --raw-selector | --image | --build-dir | --timeout | --flash | --gdb)
      (($# >= 2)) || usage_error "$option needs a value"
      value=$2
      shift 2 ;;
    *) usage_error "unknown argument '$option' (see the top of Scripts/boot.sh)" ;;
  esac
  case "$option" in
    --selector)
      if [[ "$value" =~ ^0[xX][0-9a-fA-F]{1,2}$ ]] || [[ "$value" =~ ^[0-9]{1,3}$ && 10#$value -le 255 ]]; then
        selector=$value
      else
        usage_error "--selector '$value' is not a byte (0xNN or a decimal number up to 255)"
      fi ;;
    --raw-selector) selector=$value ;;
    --image) image=$value; image_chosen=1 ;;
    --build-dir) build_dir=$value ;;
    --timeout)
      [[ "$value" =~ ^[0-9]*\.?[0-9]+$ && ! "$value" =~ ^0*\.?0*$ ]] ||
        usage_error "--timeout '$value' is not a positive number of seconds"
      timeout_seconds=$value ;;
    --flash) flash_shown=$value # named from where the caller stands
      if [[ "$value" == /* ]]; then flash=$value; else flash=$caller_dir/$value; fi
      build=0 ;;
    --gdb)
      [[ "$value" =~ ^[0-9]{1,5}$ ]] && ((10#$value >= 1 && 10#$value <= 65535)) ||
        usage_error "--gdb '$value' is not a port (a number from 1 to 65535)"
      gdb_port=$((10#$value)) ;;
  esac
done
# Someone at the debugger decides how long a debugging boot takes.
if [ -z "$timeout_seconds" ]; then
  if [ -n "$gdb_port" ]; then timeout_seconds=0; else timeout_seconds=60; fi
fi

if [ -n "$flash" ]; then
  ((!image_chosen)) || usage_error "--flash and --image exclude each other: --flash boots the file given"
  check_flash "$flash" "$flash_shown"
  image=given
fi
case "$image" in
  normal) target=BootFlash ;;
  failing) target=BootFlashFailingConstructor ;;
  given) target="" ;;
  *) usage_error "unknown image '$image' (normal, failing)" ;;
esac

if ((build)); then
  if [ ! -f "$build_dir/build.ninja" ]; then
    cmake -G Ninja -S . -B "$build_dir" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      >/dev/null
  fi
  cmake --build "$build_dir" --target "$target" >/dev/null
fi

flash=${flash:-$build_dir/BootPlatform/$target.bin}
if [ ! -f "$flash" ]; then
  echo "boot.sh: no flash image at $flash" >&2
  exit 1
fi

qemu=(qemu-system-i386 -machine q35 -m 64 -nodefaults -display none -no-reboot
  -bios "$flash" -serial stdio -device isa-debug-exit,iobase=0xf4,iosize=0x04)
if [ -n "$selector" ]; then
  qemu+=(-fw_cfg "name=opt/tolvern/baud-select,string=$selector")
fi
if [ -n "$gdb_port" ]; then
  qemu+=(-S -gdb "tcp:127.0.0.1:$gdb_port")
fi

limit="timeout ${timeout_seconds}s"
if [ "$timeout_seconds" = 0 ]; then limit="no time limit"; fi
echo "boot.sh: $image image, selector ${selector:-(board default)}, $limit" >&2
if [ -n "$gdb_port" ]; then
  script=$build_dir/firmware/Tolvern.gdb
  if [ -d "$build_dir" ]; then script=$(cd "$build_dir" && pwd)/firmware/Tolvern.gdb; fi
  echo "boot.sh: halted at the reset vector, gdb stub on 127.0.0.1:$gdb_port; attach with:" >&2
  echo "boot.sh:   TOLVERN_GDB_PORT=$gdb_port gdb -q -x $script" >&2
fi
# The log is kept as well as shown, to tell a hold after an assertion from a hang.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
start=$(date +%s%N)
set +e
if ((serial_pty)); then
  # stdio keeps QEMU's side of the line from vanishing with QEMU (and the
  # unread text with it), which its own pty would not.
  timeout "$timeout_seconds" "${qemu[@]}" </dev/null | tee "$log" |
    python3 Scripts/serial-pty.py "$timeout_seconds"
  status=${PIPESTATUS[0]}
else
  timeout "$timeout_seconds" "${qemu[@]}" </dev/null | tee "$log"
  status=${PIPESTATUS[0]}
fi
set -e
elapsed_ms=$((($(date +%s%N) - start) / 1000000))
elapsed="$((elapsed_ms / 1000)).$(printf '%03d' $((elapsed_ms % 1000)))s"

# The boot platform ends the emulator through its debug-exit port, which
# makes the process exit with (value << 1) | 1: 0x10 -> 33, 0x11 -> 35.
case "$status" in
  33) echo "boot.sh: verdict success (emulator exit code 33) after $elapsed" >&2; exit 0 ;;
  35) echo "boot.sh: verdict failure (emulator exit code 35) after $elapsed" >&2 ;;
  124)
    # The boot platform holds its own lines while a PEIM runs: the module's
    # report is the log's last line when the module stopped right after it.
    if tr -d '\r' <"$log" | grep -v '^$' | tail -n 1 | grep -q '^ASSERT '; then
      echo "boot.sh: verdict failure: no verdict within ${timeout_seconds}s: held in the" \
        "assertion's dead loop after the report above (no crash, no reset)" >&2
    else
      echo "boot.sh: verdict failure: no verdict within ${timeout_seconds}s (hang)" >&2
    fi ;;
  *) echo "boot.sh: verdict failure: the emulator ended with exit code $status after $elapsed" >&2 ;;
esac
exit 1
