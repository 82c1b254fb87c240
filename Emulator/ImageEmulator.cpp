// The emulated PEI Foundation: memory map, the call into PeimEntry, and the
// hooks that connect the image's port, breakpoint and service traffic to the
// host.
#include "ImageEmulator.h"

#include <unicorn/unicorn.h>

#include <cstdio>
#include <iterator>

namespace {

constexpr UINT64 kPageSize = 0x1000;
constexpr UINT64 kAddressSpaceTop = 0x100000000ull;

// The foundation's data page: the services pointer, then the table it points at.
constexpr UINT32 kFoundationPage = 0x00001000;
constexpr UINT32 kServicesTable = kFoundationPage + 0x10;
constexpr UINT32 kServiceSlots = 32;
constexpr UINT64 kTableSignature = 0x5652455320494550ull; // "PEI SERV"
constexpr UINT32 kTableHeaderSize = 24;

// The foundation's code page: InstallPpi, then one trap per other service,
// then the address PeimEntry returns to.
constexpr UINT32 kStubPage = 0x00002000;
constexpr UINT32 kInstallPpiStub = EMULATOR_INSTALL_PPI;
constexpr UINT32 kOtherServiceStubs = kStubPage + 0x100;
constexpr UINT32 kReturnSentinel = kStubPage + 0xF00;
constexpr UINT8 kHlt = 0xF4;

constexpr UINT32 kStackBottom = 0x00010000;
constexpr UINT32 kStackTop = EMULATOR_RESERVED_END;

static_assert(EMULATOR_PEI_SERVICES == kFoundationPage, "the services pointer opens the page");
static_assert(kInstallPpiStub == kStubPage, "InstallPpi opens the code page");
static_assert(kServicesTable + kTableHeaderSize + 4 * kServiceSlots <= kFoundationPage + kPageSize,
              "the services table fits its page");
static_assert(kOtherServiceStubs + 4 * kServiceSlots <= kReturnSentinel, "stubs do not overlap");
static_assert(EMULATOR_FILE_HANDLE >= kStubPage + kPageSize && EMULATOR_FILE_HANDLE < kStackBottom,
              "the file handle points at unmapped memory");

// Values the callee-saved registers carry into PeimEntry; cdecl requires them back.
constexpr int kCalleeSaved[] = {UC_X86_REG_EBX, UC_X86_REG_ESI, UC_X86_REG_EDI, UC_X86_REG_EBP};
constexpr const char *kCalleeSavedNames[] = {"EBX", "ESI", "EDI", "EBP"};
constexpr UINT32 kCalleeSavedValues[] = {0xB0B0B0B0, 0x51515151, 0xD1D1D1D1, 0xBBBB0000};

std::string Hex32(UINT64 Value) {
  char Text[16];
  std::snprintf(Text, sizeof Text, "0x%08llX", static_cast<unsigned long long>(Value));
  return Text;
}

UINT32 ReadRegister(uc_engine *Engine, int Register) {
  UINT32 Value = 0;
  uc_reg_read(Engine, Register, &Value);
  return Value;
}

VOID WriteRegister(uc_engine *Engine, int Register, UINT32 Value) {
  uc_reg_write(Engine, Register, &Value);
}

bool WriteWord(uc_engine *Engine, UINT32 Address, UINT32 Value) {
  const UINT8 Bytes[4] = {static_cast<UINT8>(Value), static_cast<UINT8>(Value >> 8),
                          static_cast<UINT8>(Value >> 16), static_cast<UINT8>(Value >> 24)};
  return uc_mem_write(Engine, Address, Bytes, sizeof Bytes) == UC_ERR_OK;
}

UINT32 ReadWord(uc_engine *Engine, UINT32 Address) {
  UINT8 Bytes[4] = {};
  uc_mem_read(Engine, Address, Bytes, sizeof Bytes);
  return UINT32{Bytes[0]} | UINT32{Bytes[1]} << 8 | UINT32{Bytes[2]} << 16 | UINT32{Bytes[3]} << 24;
}

bool MapAndFill(uc_engine *Engine, UINT64 Start, UINT64 Size, UINT32 Protection,
                const std::vector<UINT8> &Bytes, UINT32 At) {
  // Filled while writable, then closed to what the platform allows.
  return uc_mem_map(Engine, Start, Size, UC_PROT_ALL) == UC_ERR_OK &&
         (Bytes.empty() || uc_mem_write(Engine, At, Bytes.data(), Bytes.size()) == UC_ERR_OK) &&
         uc_mem_protect(Engine, Start, Size, Protection) == UC_ERR_OK;
}

std::vector<UINT8> FoundationData() {
  std::vector<UINT8> Data(kPageSize, 0);
  auto Put = [&Data](UINT32 Offset, UINT64 Value, int Width) {
    for (int Byte = 0; Byte < Width; ++Byte) {
      Data[Offset + Byte] = static_cast<UINT8>(Value >> (8 * Byte));
    }
  };
  const UINT32 Table = kServicesTable - kFoundationPage;
  Put(0, kServicesTable, 4);
  Put(Table, kTableSignature, 8);
  Put(Table + 12, kTableHeaderSize, 4); // HeaderSize
  Put(Table + kTableHeaderSize, kInstallPpiStub, 4);
  for (UINT32 Slot = 1; Slot < kServiceSlots; ++Slot) {
    Put(Table + kTableHeaderSize + 4 * Slot, kOtherServiceStubs + 4 * Slot, 4);
  }
  return Data;
}

std::vector<UINT8> FoundationCode() {
  std::vector<UINT8> Code(kPageSize, kHlt);
  return Code;
}

} // namespace

struct IMAGE_EMULATOR::HOOK_STATE {
  HOST_PORT_SPACE &Ports;
  UINT32 ImageStart;
  UINT32 ImageEnd;
  UINT64 MaxInstructions;
  RUN_RESULT &Result;
  UINT64 Executed = 0;
  UINT32 LastAddress = 0;
  UINT32 LowestEsp = 0;
  bool Stopped = false;

  VOID Stop(uc_engine *Engine, RUN_END End, const std::string &Problem) {
    if (!Stopped) {
      Stopped = true;
      Result.End = End;
      Result.Problem = Problem;
    }
    uc_emu_stop(Engine);
  }
};

namespace {

using HOOK_STATE = IMAGE_EMULATOR::HOOK_STATE;

VOID OnInstruction(uc_engine *Engine, UINT64 Address, UINT32 Size, VOID *Context) {
  (VOID) Size;
  auto &State = *static_cast<HOOK_STATE *>(Context);
  const UINT32 Eip = static_cast<UINT32>(Address);
  if (++State.Executed > State.MaxInstructions) {
    State.Stop(Engine, RUN_END::BudgetExhausted,
               "instruction budget of " + std::to_string(State.MaxInstructions) +
                   " exhausted at EIP " + Hex32(Eip) + ": a runaway, or a wait that never ends");
    return;
  }
  State.LastAddress = Eip;
  if (Eip >= State.ImageStart && Eip < State.ImageEnd) {
    ++State.Result.Instructions;
  }
  const UINT32 Esp = ReadRegister(Engine, UC_X86_REG_ESP);
  if (Esp < State.LowestEsp) {
    State.LowestEsp = Esp;
    State.Result.PeakStackAddress = Eip;
  }
  if (Eip == kInstallPpiStub) {
    State.Result.InstallPpiCalls.push_back({ReadWord(Engine, Esp + 4), ReadWord(Engine, Esp + 8)});
  } else if (Eip >= kOtherServiceStubs && Eip < kOtherServiceStubs + 4 * kServiceSlots) {
    State.Stop(Engine, RUN_END::Fault,
               "PEI service #" + std::to_string((Eip - kOtherServiceStubs) / 4) +
                   " called; the module may only call InstallPpi");
  }
}

VOID OnInterrupt(uc_engine *Engine, UINT32 Number, VOID *Context) {
  auto &State = *static_cast<HOOK_STATE *>(Context);
  if (Number == 3) {
    // A trap: EIP already points past INT3, so the run resumes after it.
    State.Result.Breakpoints.push_back(State.LastAddress);
    return;
  }
  State.Stop(Engine, RUN_END::Fault,
             "exception or interrupt " + std::to_string(Number) + " at EIP " +
                 Hex32(State.LastAddress));
}

bool PortWidthSupported(HOOK_STATE &State, uc_engine *Engine, UINT32 Port, int Width) {
  if (Width == 1 || Width == 4) {
    return true;
  }
  State.Stop(Engine, RUN_END::Fault,
             std::to_string(8 * Width) + "-bit access to port " + Hex32(Port) + " at EIP " +
                 Hex32(State.LastAddress) + ": the module's port accesses are 8 or 32 bits");
  return false;
}

UINT32 OnPortIn(uc_engine *Engine, UINT32 Port, int Width, VOID *Context) {
  auto &State = *static_cast<HOOK_STATE *>(Context);
  if (!PortWidthSupported(State, Engine, Port, Width)) {
    return 0xFFFFFFFF;
  }
  return State.Ports.In(static_cast<UINT16>(Port), static_cast<UINT8>(Width));
}

VOID OnPortOut(uc_engine *Engine, UINT32 Port, int Width, UINT32 Value, VOID *Context) {
  auto &State = *static_cast<HOOK_STATE *>(Context);
  if (PortWidthSupported(State, Engine, Port, Width)) {
    State.Ports.Out(static_cast<UINT16>(Port), static_cast<UINT8>(Width), Value);
  }
}

const char *AccessKind(uc_mem_type Type) {
  switch (Type) {
  case UC_MEM_READ_UNMAPPED:
    return "read of unmapped memory";
  case UC_MEM_WRITE_UNMAPPED:
    return "write to unmapped memory";
  case UC_MEM_FETCH_UNMAPPED:
    return "jump to unmapped memory";
  case UC_MEM_WRITE_PROT:
    return "write to read-only memory (flash or the services table)";
  case UC_MEM_READ_PROT:
    return "read of protected memory";
  case UC_MEM_FETCH_PROT:
    return "jump into data";
  default:
    return "invalid memory access";
  }
}

bool OnInvalidMemory(uc_engine *Engine, uc_mem_type Type, UINT64 Address, int Size, INT64 Value,
                     VOID *Context) {
  (VOID) Size;
  (VOID) Value;
  auto &State = *static_cast<HOOK_STATE *>(Context);
  std::string Where = Type == UC_MEM_FETCH_UNMAPPED || Type == UC_MEM_FETCH_PROT
                          ? " (last instruction at " + Hex32(State.LastAddress) + ")"
                          : " at EIP " + Hex32(State.LastAddress);
  State.Stop(Engine, RUN_END::Fault, std::string(AccessKind(Type)) + " " + Hex32(Address) + Where);
  return false;
}

// The hooks of one run; removed when the run is over, since they point at its state.
class RUN_HOOKS {
public:
  explicit RUN_HOOKS(uc_engine *Engine) : Engine(Engine) {}
  ~RUN_HOOKS() {
    for (uc_hook Handle : Handles) {
      uc_hook_del(Engine, Handle);
    }
  }
  RUN_HOOKS(const RUN_HOOKS &) = delete;
  RUN_HOOKS &operator=(const RUN_HOOKS &) = delete;

  template <typename CALLBACK> bool Add(int Type, CALLBACK *Callback, HOOK_STATE &State) {
    uc_hook Handle;
    if (uc_hook_add(Engine, &Handle, Type, reinterpret_cast<VOID *>(Callback), &State, 1, 0) !=
        UC_ERR_OK) {
      return false;
    }
    Handles.push_back(Handle);
    return true;
  }

  template <typename CALLBACK>
  bool AddInstruction(int Instruction, CALLBACK *Callback, HOOK_STATE &State) {
    uc_hook Handle;
    if (uc_hook_add(Engine, &Handle, UC_HOOK_INSN, reinterpret_cast<VOID *>(Callback), &State, 1, 0,
                    Instruction) != UC_ERR_OK) {
      return false;
    }
    Handles.push_back(Handle);
    return true;
  }

private:
  uc_engine *Engine;
  std::vector<uc_hook> Handles;
};

} // namespace

IMAGE_EMULATOR::IMAGE_EMULATOR(uc_engine *Engine, UINT32 Base, UINT32 Size, UINT32 Entry,
                               HOST_PORT_SPACE &Ports)
    : Engine(Engine), LoadBase(Base), LoadSize(Size), EntryAddress(Entry), Ports(Ports) {}

IMAGE_EMULATOR::~IMAGE_EMULATOR() {
  uc_close(Engine);
}

std::unique_ptr<IMAGE_EMULATOR> IMAGE_EMULATOR::Create(const PE_IMAGE &Image, UINT32 Base,
                                                       HOST_PORT_SPACE &Ports, std::string &Error) {
  if (std::optional<std::string> Refusal = CheckLoadBase(Image, Base)) {
    Error = *Refusal;
    return nullptr;
  }
  const UINT64 PageStart = Base & ~(kPageSize - 1);
  const UINT64 PageEnd = (UINT64{Base} + Image.Bytes.size() + kPageSize - 1) & ~(kPageSize - 1);
  // The null page stays unmapped so that a null dereference faults.
  if (PageStart < EMULATOR_RESERVED_END) {
    Error = "load base " + Hex32(Base) +
            " overlaps the null page or the emulator's own memory below " +
            Hex32(EMULATOR_RESERVED_END);
    return nullptr;
  }
  static_assert(kAddressSpaceTop % kPageSize == 0, "pages end at 4 GiB");

  uc_engine *Engine = nullptr;
  if (uc_open(UC_ARCH_X86, UC_MODE_32, &Engine) != UC_ERR_OK) {
    Error = "cannot open the CPU emulator";
    return nullptr;
  }
  std::unique_ptr<IMAGE_EMULATOR> Emulator(new IMAGE_EMULATOR(
      Engine, Base, static_cast<UINT32>(Image.Bytes.size()), Base + Image.EntryPoint, Ports));
  const bool Mapped = MapAndFill(Engine, PageStart, PageEnd - PageStart,
                                 UC_PROT_READ | UC_PROT_EXEC, RelocatedBytes(Image, Base), Base) &&
                      MapAndFill(Engine, kFoundationPage, kPageSize, UC_PROT_READ, FoundationData(),
                                 kFoundationPage) &&
                      MapAndFill(Engine, kStubPage, kPageSize, UC_PROT_READ | UC_PROT_EXEC,
                                 FoundationCode(), kStubPage) &&
                      MapAndFill(Engine, kStackBottom, kStackTop - kStackBottom,
                                 UC_PROT_READ | UC_PROT_WRITE, {}, 0);
  if (!Mapped) {
    Error = "cannot map the image at " + Hex32(Base) + " in the CPU emulator";
    return nullptr;
  }
  return Emulator;
}

RUN_RESULT IMAGE_EMULATOR::RunPeimEntry(EFI_STATUS InstallPpiStatus, UINT64 MaxInstructions) {
  RUN_RESULT Result;
  if (HasRun) {
    Result.Problem = "PeimEntry already ran in this emulator";
    return Result;
  }
  HasRun = true;

  // InstallPpi: mov eax, InstallPpiStatus; ret.
  const UINT8 Stub[6] = {0xB8,
                         static_cast<UINT8>(InstallPpiStatus),
                         static_cast<UINT8>(InstallPpiStatus >> 8),
                         static_cast<UINT8>(InstallPpiStatus >> 16),
                         static_cast<UINT8>(InstallPpiStatus >> 24),
                         0xC3};
  // cdecl: arguments right to left, then the return address.
  const UINT32 EntryEsp = kStackTop - 12;
  const bool Ready =
      uc_mem_protect(Engine, kStubPage, kPageSize, UC_PROT_ALL) == UC_ERR_OK &&
      uc_mem_write(Engine, kInstallPpiStub, Stub, sizeof Stub) == UC_ERR_OK &&
      uc_mem_protect(Engine, kStubPage, kPageSize, UC_PROT_READ | UC_PROT_EXEC) == UC_ERR_OK &&
      WriteWord(Engine, EntryEsp + 8, EMULATOR_PEI_SERVICES) &&
      WriteWord(Engine, EntryEsp + 4, EMULATOR_FILE_HANDLE) &&
      WriteWord(Engine, EntryEsp, kReturnSentinel);
  if (!Ready) {
    Result.Problem = "cannot set up the call to PeimEntry";
    return Result;
  }
  WriteRegister(Engine, UC_X86_REG_ESP, EntryEsp);
  for (UINTN Index = 0; Index < std::size(kCalleeSaved); ++Index) {
    WriteRegister(Engine, kCalleeSaved[Index], kCalleeSavedValues[Index]);
  }

  HOOK_STATE State{Ports, LoadBase, LoadBase + LoadSize, MaxInstructions, Result, 0, 0, EntryEsp};
  RUN_HOOKS Hooks(Engine);
  const bool Hooked = Hooks.Add(UC_HOOK_CODE, &OnInstruction, State) &&
                      Hooks.Add(UC_HOOK_INTR, &OnInterrupt, State) &&
                      Hooks.Add(UC_HOOK_MEM_INVALID, &OnInvalidMemory, State) &&
                      Hooks.AddInstruction(UC_X86_INS_IN, &OnPortIn, State) &&
                      Hooks.AddInstruction(UC_X86_INS_OUT, &OnPortOut, State);
  if (!Hooked) {
    Result.Problem = "cannot hook the CPU emulator";
    return Result;
  }

  const uc_err Error = uc_emu_start(Engine, EntryAddress, kReturnSentinel, 0, 0);
  Result.PeakStackBytes = EntryEsp - State.LowestEsp;
  if (State.Stopped) {
    return Result;
  }
  const UINT32 Eip = ReadRegister(Engine, UC_X86_REG_EIP);
  if (Error != UC_ERR_OK) {
    Result.Problem = std::string(uc_strerror(Error)) + " at EIP " + Hex32(State.LastAddress);
    return Result;
  }
  if (Eip != kReturnSentinel) {
    Result.Problem = "stopped at EIP " + Hex32(Eip) + " without returning";
    return Result;
  }
  for (UINTN Index = 0; Index < std::size(kCalleeSaved); ++Index) {
    if (ReadRegister(Engine, kCalleeSaved[Index]) != kCalleeSavedValues[Index]) {
      Result.Problem = std::string("PeimEntry returned with ") + kCalleeSavedNames[Index] +
                       " changed; cdecl requires it kept";
      return Result;
    }
  }
  if (ReadRegister(Engine, UC_X86_REG_ESP) != EntryEsp + 4) {
    Result.Problem = "PeimEntry returned with ESP " + Hex32(ReadRegister(Engine, UC_X86_REG_ESP)) +
                     " instead of " + Hex32(EntryEsp + 4);
    return Result;
  }
  Result.End = RUN_END::Returned;
  Result.Status = ReadRegister(Engine, UC_X86_REG_EAX);
  return Result;
}

bool IMAGE_EMULATOR::ReadMemory(UINT32 Address, VOID *Buffer, UINTN Size) const {
  if (UINT64{Address} + Size > kAddressSpaceTop) {
    return false;
  }
  return Size == 0 || uc_mem_read(Engine, Address, Buffer, Size) == UC_ERR_OK;
}
