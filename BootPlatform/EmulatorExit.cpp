#include "EmulatorExit.h"

#include "Console.h"

#include <Library/IoLib.h>

VOID EmulatorExit(BOOLEAN Success) {
  ConsolePrint(Success ? "[boot] verdict: success\n" : "[boot] verdict: failure\n");
  PortOut8(BOOT_EXIT_PORT, Success ? BOOT_EXIT_SUCCESS : BOOT_EXIT_FAILURE);
  for (;;) {
    __asm__ __volatile__("cli; hlt" : : : "memory");
  }
}
