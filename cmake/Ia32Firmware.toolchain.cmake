# The firmware build: freestanding 32-bit x86 code, compiled by clang and
# linked by LLVM's linkers. Each target picks its object format through the
# cross-build helper (cmake/FirmwareTarget.cmake): PE for the module and the
# PEIMs, ELF for the boot platform.
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR i686)

find_program(TOLVERN_CLANG NAMES clang-14 clang REQUIRED)
find_program(TOLVERN_CLANGXX NAMES clang++-14 clang++ REQUIRED)
set(CMAKE_C_COMPILER ${TOLVERN_CLANG})
set(CMAKE_CXX_COMPILER ${TOLVERN_CLANGXX})
set(CMAKE_ASM_COMPILER ${TOLVERN_CLANG})
# Archives of LTO bitcode need LLVM's archiver for their symbol table.
find_program(CMAKE_AR NAMES llvm-ar-14 llvm-ar REQUIRED)
find_program(CMAKE_RANLIB NAMES llvm-ranlib-14 llvm-ranlib REQUIRED)

# The compiler checks cannot link a program for a target without a runtime.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
# No build-type flags: the helper states every flag the firmware is built with.
set(CMAKE_BUILD_TYPE "" CACHE STRING "" FORCE)
