#!/usr/bin/env bash
# Installs the Debian packages the project needs, only when some are missing,
# then checks that every tool and CMake package the builds use is really
# there, so a gap shows here and not deep in a configure log.
set -euo pipefail

packages=(
  cmake ninja-build pkg-config clang lld llvm llvm-dev clang-format binutils
  g++ g++-multilib googletest libgtest-dev libbenchmark-dev libclang-rt-14-dev
  libcli11-dev nlohmann-json3-dev libunicorn-dev qemu-system-x86 gdb uefitool-cli python3
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if ((${#missing[@]})); then
  echo "Installing missing packages: ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
fi

# What the builds look for, and the package that provides it: a command on
# PATH, or a file (a glob) that CMake or the compiler finds.
checks=(
  "command cmake cmake"
  "command ninja ninja-build"
  "command pkg-config pkg-config"
  "command clang++ clang"
  "command lld-link lld"
  "command ld.lld lld"
  "command llvm-objcopy llvm"
  "command llvm-objdump llvm"
  "command clang-format clang-format"
  "command g++ g++"
  "command qemu-system-i386 qemu-system-x86"
  "command gdb gdb"
  "command python3 python3"
  "command objcopy binutils"
  "command UEFIExtract uefitool-cli"
  "file /usr/lib/*/cmake/GTest/GTestConfig.cmake libgtest-dev"
  "file /usr/src/googletest/CMakeLists.txt googletest"
  "file /usr/lib/*/cmake/benchmark/benchmarkConfig.cmake libbenchmark-dev"
  "file /usr/share/cmake/CLI11/CLI11Config.cmake libcli11-dev"
  "file /usr/share/cmake/nlohmann_json/nlohmann_jsonConfig.cmake nlohmann-json3-dev"
  "file /usr/lib/llvm-14/lib/cmake/llvm/LLVMConfig.cmake llvm-dev"
  "file /usr/lib/*/pkgconfig/unicorn.pc libunicorn-dev"
  "file /usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a libclang-rt-14-dev"
  "file /usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-i386.a libclang-rt-14-dev"
  "file /usr/lib32/libstdc++.so.6 g++-multilib"
)

absent=0
for check in "${checks[@]}"; do
  read -r kind what package <<<"$check"
  case "$kind" in
    command) command -v "$what" >/dev/null 2>&1 && continue ;;
    file) compgen -G "$what" >/dev/null && continue ;;
  esac
  echo "setup: $what not found: install the Debian package $package" >&2
  absent=1
done
exit "$absent"
