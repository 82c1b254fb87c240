// Runs the real IA32 image's PeimEntry in a CPU emulator, the way the PEI
// Foundation would call it: image in place at its load base, a stack, a PEI
// services table whose InstallPpi is a trapped stub, and every IN/OUT
// instruction sent to a host port space.
#pragma once

#include "LoadableImage.h"

#include <PortSpace.h>
#include <Uefi/UefiBaseType.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

struct uc_struct;

namespace TolvernEmu {

// Below this address lie the unmapped null page and the emulator's own memory
// (services table, stubs, stack); an image must be placed above it.
#define EMULATOR_RESERVED_END 0x00020000u
// What PeimEntry receives: the pointer to the pointer to the services table,
// and a file handle that points at nothing (the module never uses it).
#define EMULATOR_PEI_SERVICES 0x00001000u
#define EMULATOR_FILE_HANDLE 0x00003000u
// Where the services table's InstallPpi points: a stub the emulator traps.
#define EMULATOR_INSTALL_PPI 0x00002000u

struct EMULATED_INSTALL_PPI_CALL {
  uint32_t PeiServices;
  uint32_t PpiList;
};

enum class RUN_END {
  Returned,        // PeimEntry returned to its caller
  BudgetExhausted, // the instruction budget ran out: a runaway or an endless wait
  DeadLoop,        // a loop came round to the same state with nothing done: it never ends
  Fault,           // the image did something the platform would not survive
};

struct RUN_RESULT {
  RUN_END End = RUN_END::Fault;
  std::string Problem;   // one line, when it did not return cleanly
  EFI_STATUS Status = 0; // EAX on return
  std::vector<EMULATED_INSTALL_PPI_CALL> InstallPpiCalls;
  std::vector<uint32_t> Breakpoints; // address of each INT3 executed, in order
  uint64_t Instructions = 0;         // executed inside the image
  uint32_t PeakStackBytes = 0;       // below the return address PeimEntry was called with
  uint32_t PeakStackAddress = 0;     // the first instruction that ran that deep
};

class IMAGE_EMULATOR {
public:
  // Maps Image at Base (relocated) with the foundation's memory. Returns
  // nothing, with Error set, when Base cannot take the image.
  static std::unique_ptr<IMAGE_EMULATOR> Create(const LOADABLE_IMAGE &Image, uint32_t Base,
                                                PORT_SPACE &Ports, std::string &Error);
  ~IMAGE_EMULATOR();
  IMAGE_EMULATOR(const IMAGE_EMULATOR &) = delete;
  IMAGE_EMULATOR &operator=(const IMAGE_EMULATOR &) = delete;

  // Calls PeimEntry(EMULATOR_FILE_HANDLE, EMULATOR_PEI_SERVICES) with the IA32
  // cdecl convention; InstallPpi returns InstallPpiStatus. Stops after
  // MaxInstructions instructions. Runs once per emulator.
  RUN_RESULT RunPeimEntry(EFI_STATUS InstallPpiStatus, uint64_t MaxInstructions);

  // Reads emulated memory, e.g. what a descriptor points at. False when any
  // byte of the range is not mapped.
  bool ReadMemory(uint32_t Address, void *Buffer, size_t Size) const;

  struct HOOK_STATE; // what the hooks share with the run

private:
  IMAGE_EMULATOR(uc_struct *Engine, uint32_t Base, uint32_t Size, uint32_t Entry,
                 PORT_SPACE &Ports);
  uc_struct *Engine;
  uint32_t LoadBase;
  uint32_t LoadSize;
  uint32_t EntryAddress;
  PORT_SPACE &Ports;
  bool HasRun = false;
  // Where the image could start an instruction the CPU emulator cannot
  // translate: the run stops there instead (see UntranslatableCode.h).
  std::map<uint32_t, std::string> Untranslatable;
};

} // namespace TolvernEmu
