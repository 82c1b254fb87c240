#include "InterruptTable.h"

#include "BootLog.h"
#include "Console.h"
#include "EmulatorExit.h"

extern "C" const UINT32 ExceptionStubTable[BOOT_EXCEPTION_VECTORS];

namespace {

constexpr UINT16 CODE_SELECTOR = 0x08;
constexpr UINT8 INTERRUPT_GATE32 = 0x8E; // present, ring 0, 32-bit interrupt gate
constexpr UINT32 BREAKPOINT_VECTOR = 3;

constexpr const CHAR8 *EXCEPTION_NAMES[BOOT_EXCEPTION_VECTORS] = {
    "#DE divide error",
    "#DB debug",
    "NMI",
    "#BP breakpoint",
    "#OF overflow",
    "#BR bound range exceeded",
    "#UD invalid opcode",
    "#NM device not available",
    "#DF double fault",
    "coprocessor segment overrun",
    "#TS invalid TSS",
    "#NP segment not present",
    "#SS stack-segment fault",
    "#GP general protection",
    "#PF page fault",
    "reserved",
    "#MF x87 floating-point error",
    "#AC alignment check",
    "#MC machine check",
    "#XM SIMD floating-point error",
    "#VE virtualization exception",
    "#CP control protection",
    "reserved",
    "reserved",
    "reserved",
    "reserved",
    "reserved",
    "reserved",
    "#HV hypervisor injection",
    "#VC VMM communication",
    "#SX security exception",
    "reserved",
};

struct [[gnu::packed]] TABLE_REGISTER {
  UINT16 Limit;
  UINT32 Base;
};

BOOT_STATE *CurrentBootState() {
  TABLE_REGISTER Register;
  __asm__ __volatile__("sidt %0" : "=m"(Register));
  return reinterpret_cast<BOOT_STATE *>(Register.Base);
}

// Tells Address relative to the image of the PEIM that runs, if it lies there.
VOID NoteLocation(const BOOT_STATE *State, UINT32 Address) {
  ConsolePrint("0x%08X", Address);
  if (Address >= State->RunningBase && Address - State->RunningBase < State->RunningSize) {
    if (State->RunningName != nullptr) {
      ConsolePrint(" (%s +0x%04X)", State->RunningName, Address - State->RunningBase);
    } else {
      ConsolePrint(" (image +0x%04X)", Address - State->RunningBase);
    }
  }
}

} // namespace

VOID InstallInterruptTable(BOOT_STATE *State) {
  for (UINT32 Vector = 0; Vector < BOOT_EXCEPTION_VECTORS; ++Vector) {
    UINT32 Handler = ExceptionStubTable[Vector];
    State->Idt[Vector].OffsetLow = (UINT16)(Handler & 0xFFFF);
    State->Idt[Vector].Selector = CODE_SELECTOR;
    State->Idt[Vector].Reserved = 0;
    State->Idt[Vector].Type = INTERRUPT_GATE32;
    State->Idt[Vector].OffsetHigh = (UINT16)(Handler >> 16);
  }
  TABLE_REGISTER Register = {(UINT16)(sizeof(State->Idt) - 1),
                             (UINT32) reinterpret_cast<UINTN>(State->Idt)};
  __asm__ __volatile__("lidt %0" : : "m"(Register) : "memory");
}

extern "C" VOID ExceptionDispatch(EXCEPTION_FRAME *Frame) {
  BOOT_STATE *State = CurrentBootState();
  if (Frame->Vector == BREAKPOINT_VECTOR) {
    // INT3 is a trap: the saved EIP already points past the one-byte instruction.
    ++State->Breakpoints;
    ConsolePrint("[boot] breakpoint: INT3 at ");
    NoteLocation(State, Frame->Eip - 1);
    ConsolePrint(", resuming\n");
    return;
  }
  BootLogRelease(State);
  ConsolePrint("[boot] exception %d (%a) at ", Frame->Vector,
               EXCEPTION_NAMES[Frame->Vector % BOOT_EXCEPTION_VECTORS]);
  NoteLocation(State, Frame->Eip);
  // PUSHAD saved ESP below the vector, the error code and EIP, CS, EFLAGS.
  ConsolePrint(", error code 0x%08X, EFLAGS 0x%08X, ESP 0x%08X\n", Frame->ErrorCode, Frame->Eflags,
               Frame->Esp + 5 * sizeof(UINT32));
  EmulatorExit(FALSE);
}
