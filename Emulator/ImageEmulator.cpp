// The emulated PEI Foundation: memory map, the call into PeimEntry, and the
// hooks that connect the image's port, breakpoint and service traffic to the
// host.
#include "ImageEmulator.h"

#include "UntranslatableCode.h"

#include <LittleEndian.h>
#include <MessageText.h>

#include <Pi/PiPeiCis.h>

#include <unicorn/unicorn.h>

#include <cstdio>
#include <iterator>
#include <optional>

namespace TolvernEmu {

using namespace HostTools;

namespace {

constexpr uint64_t PAGE_SIZE = 0x1000;
constexpr uint64_t ADDRESS_SPACE_TOP = 0x100000000ull;

// The foundation's data page: the services pointer, then the table it points at.
constexpr uint32_t FOUNDATION_PAGE = 0x00001000;
constexpr uint32_t SERVICES_TABLE = FOUNDATION_PAGE + 0x10;
constexpr uint32_t SERVICE_SLOTS = 32;
constexpr uint32_t TABLE_HEADER_SIZE = sizeof(EFI_TABLE_HEADER);

// The foundation's code page: InstallPpi, then one trap per other service,
// then the address PeimEntry returns to.
constexpr uint32_t STUB_PAGE = 0x00002000;
constexpr uint32_t INSTALL_PPI_STUB = EMULATOR_INSTALL_PPI;
constexpr uint32_t OTHER_SERVICE_STUBS = STUB_PAGE + 0x100;
constexpr uint32_t RETURN_SENTINEL = STUB_PAGE + 0xF00;
constexpr uint8_t HLT = 0xF4;

constexpr uint32_t STACK_BOTTOM = 0x00010000;
constexpr uint32_t STACK_TOP = EMULATOR_RESERVED_END;
// PeimEntry's frame at the top of the stack: the return address, then its two arguments.
constexpr uint32_t ENTRY_ESP = STACK_TOP - 12;

static_assert(EMULATOR_PEI_SERVICES == FOUNDATION_PAGE, "the services pointer opens the page");
static_assert(INSTALL_PPI_STUB == STUB_PAGE, "InstallPpi opens the code page");
static_assert(SERVICES_TABLE + TABLE_HEADER_SIZE + 4 * SERVICE_SLOTS <= FOUNDATION_PAGE + PAGE_SIZE,
              "the services table fits its page");
static_assert(OTHER_SERVICE_STUBS + 4 * SERVICE_SLOTS <= RETURN_SENTINEL, "stubs do not overlap");
static_assert(EMULATOR_FILE_HANDLE >= STUB_PAGE + PAGE_SIZE && EMULATOR_FILE_HANDLE < STACK_BOTTOM,
              "the file handle points at unmapped memory");

// Values the callee-saved registers carry into PeimEntry; cdecl requires them back.
constexpr int CALLEE_SAVED[] = {UC_X86_REG_EBX, UC_X86_REG_ESI, UC_X86_REG_EDI, UC_X86_REG_EBP};
constexpr const char *CALLEE_SAVED_NAMES[] = {"EBX", "ESI", "EDI", "EBP"};
constexpr uint32_t CALLEE_SAVED_VALUES[] = {0xB0B0B0B0, 0x51515151, 0xD1D1D1D1, 0xBBBB0000};

uint32_t ReadRegister(uc_engine *Engine, int Register) {
  uint32_t Value = 0;
  uc_reg_read(Engine, Register, &Value);
  return Value;
}

void WriteRegister(uc_engine *Engine, int Register, uint32_t Value) {
  uc_reg_write(Engine, Register, &Value);
}

bool WriteWord(uc_engine *Engine, uint32_t Address, uint32_t Value) {
  uint8_t Bytes[4];
  WriteLe32(Bytes, 0, Value);
  return uc_mem_write(Engine, Address, Bytes, sizeof Bytes) == UC_ERR_OK;
}

uint32_t ReadWord(uc_engine *Engine, uint32_t Address) {
  uint8_t Bytes[4] = {};
  uc_mem_read(Engine, Address, Bytes, sizeof Bytes);
  return ReadLe32(Bytes, 0);
}

bool MapAndFill(uc_engine *Engine, uint64_t Start, uint64_t Size, uint32_t Protection,
                const std::vector<uint8_t> &Bytes, uint32_t At) {
  // Filled while writable, then closed to what the platform allows.
  return uc_mem_map(Engine, Start, Size, UC_PROT_ALL) == UC_ERR_OK &&
         (Bytes.empty() || uc_mem_write(Engine, At, Bytes.data(), Bytes.size()) == UC_ERR_OK) &&
         uc_mem_protect(Engine, Start, Size, Protection) == UC_ERR_OK;
}

std::vector<uint8_t> FoundationData() {
  std::vector<uint8_t> Data(PAGE_SIZE, 0);
  const uint32_t Table = SERVICES_TABLE - FOUNDATION_PAGE;
  WriteLe32(Data, 0, SERVICES_TABLE);
  WriteLe64(Data, Table, PEI_SERVICES_SIGNATURE);
  WriteLe32(Data, Table + OFFSET_OF(EFI_TABLE_HEADER, HeaderSize), TABLE_HEADER_SIZE);
  WriteLe32(Data, Table + TABLE_HEADER_SIZE, INSTALL_PPI_STUB);
  for (uint32_t Slot = 1; Slot < SERVICE_SLOTS; ++Slot) {
    WriteLe32(Data, Table + TABLE_HEADER_SIZE + 4 * Slot, OTHER_SERVICE_STUBS + 4 * Slot);
  }
  return Data;
}

std::vector<uint8_t> FoundationCode() {
  std::vector<uint8_t> Code(PAGE_SIZE, HLT);
  return Code;
}

// The image in flash (read and execute only), the foundation's data and code
// pages, and the stack.
bool MapImageAndFoundation(uc_engine *Engine, uint64_t PageStart, uint64_t PageBytes,
                           const std::vector<uint8_t> &Image, uint32_t Base) {
  return MapAndFill(Engine, PageStart, PageBytes, UC_PROT_READ | UC_PROT_EXEC, Image, Base) &&
         MapAndFill(Engine, FOUNDATION_PAGE, PAGE_SIZE, UC_PROT_READ, FoundationData(),
                    FOUNDATION_PAGE) &&
         MapAndFill(Engine, STUB_PAGE, PAGE_SIZE, UC_PROT_READ | UC_PROT_EXEC, FoundationCode(),
                    STUB_PAGE) &&
         MapAndFill(Engine, STACK_BOTTOM, STACK_TOP - STACK_BOTTOM, UC_PROT_READ | UC_PROT_WRITE,
                    {}, 0);
}

// The registers that, with memory, make the state a loop could return to.
constexpr int LOOP_REGISTERS[] = {UC_X86_REG_EAX, UC_X86_REG_EBX, UC_X86_REG_ECX,
                                  UC_X86_REG_EDX, UC_X86_REG_ESI, UC_X86_REG_EDI,
                                  UC_X86_REG_EBP, UC_X86_REG_ESP, UC_X86_REG_EFLAGS};
constexpr size_t LOOP_REGISTER_COUNT = std::size(LOOP_REGISTERS);

// The state at a backward jump's target: the same state there again, with no
// port access, memory write or interrupt in between, repeats for ever.
struct LOOP_STATE {
  uint32_t Eip = 0;
  uint32_t Registers[LOOP_REGISTER_COUNT] = {};
  uint64_t Effects = 0;
  bool operator==(const LOOP_STATE &) const = default;
};

LOOP_STATE ReadLoopState(uc_engine *Engine, uint32_t Eip, uint64_t Effects) {
  LOOP_STATE State;
  State.Eip = Eip;
  State.Effects = Effects;
  for (size_t Index = 0; Index < LOOP_REGISTER_COUNT; ++Index) {
    uc_reg_read(Engine, LOOP_REGISTERS[Index], &State.Registers[Index]);
  }
  return State;
}

} // namespace

struct IMAGE_EMULATOR::HOOK_STATE {
  PORT_SPACE &Ports;
  uint32_t ImageStart;
  uint32_t ImageEnd;
  uint64_t MaxInstructions;
  RUN_RESULT &Result;
  uint64_t Executed = 0;
  uint32_t LastAddress = 0;
  uint32_t LowestEsp = 0;
  bool Stopped = false;
  uint64_t Effects = 0; // port accesses, memory writes and interrupts so far
  std::optional<LOOP_STATE> LastLoop = std::nullopt;

  void Stop(uc_engine *Engine, RUN_END End, const std::string &Problem) {
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

// True when a backward jump to Eip finds the state its last one left: the
// run then stops as a dead loop (an assertion's, or a jump to itself).
bool StopsInADeadLoop(uc_engine *Engine, HOOK_STATE &State, uint32_t Eip) {
  if (Eip > State.LastAddress) {
    return false;
  }
  const LOOP_STATE Now = ReadLoopState(Engine, Eip, State.Effects);
  if (State.LastLoop && *State.LastLoop == Now) {
    State.Stop(Engine, RUN_END::DeadLoop,
               "dead loop at EIP " + Hex32(Eip) +
                   ": it comes round to the same state with no port access or memory write");
    return true;
  }
  State.LastLoop = Now;
  return false;
}

void OnInstruction(uc_engine *Engine, uint64_t Address, uint32_t Size, void *Context) {
  (void)Size;
  auto &State = *static_cast<HOOK_STATE *>(Context);
  const uint32_t Eip = static_cast<uint32_t>(Address);
  if (++State.Executed > State.MaxInstructions) {
    State.Stop(Engine, RUN_END::BudgetExhausted,
               "instruction budget of " + std::to_string(State.MaxInstructions) +
                   " exhausted at EIP " + Hex32(Eip) + ": a runaway, or a wait that never ends");
    return;
  }
  if (StopsInADeadLoop(Engine, State, Eip)) {
    return;
  }
  State.LastAddress = Eip;
  if (Eip >= State.ImageStart && Eip < State.ImageEnd) {
    ++State.Result.Instructions;
  }
  const uint32_t Esp = ReadRegister(Engine, UC_X86_REG_ESP);
  if (Esp < State.LowestEsp) {
    State.LowestEsp = Esp;
    State.Result.PeakStackAddress = Eip;
  }
  if (Eip == INSTALL_PPI_STUB) {
    State.Result.InstallPpiCalls.push_back({ReadWord(Engine, Esp + 4), ReadWord(Engine, Esp + 8)});
  } else if (Eip >= OTHER_SERVICE_STUBS && Eip < OTHER_SERVICE_STUBS + 4 * SERVICE_SLOTS) {
    State.Stop(Engine, RUN_END::Fault,
               "PEI service #" + std::to_string((Eip - OTHER_SERVICE_STUBS) / 4) +
                   " called; the module may only call InstallPpi");
  }
}

void OnInterrupt(uc_engine *Engine, uint32_t Number, void *Context) {
  auto &State = *static_cast<HOOK_STATE *>(Context);
  ++State.Effects;
  if (Number == 3) {
    // A trap: EIP already points past INT3, so the run resumes after it.
    State.Result.Breakpoints.push_back(State.LastAddress);
    return;
  }
  State.Stop(Engine, RUN_END::Fault,
             "exception or interrupt " + std::to_string(Number) + " at EIP " +
                 Hex32(State.LastAddress));
}

bool PortWidthSupported(HOOK_STATE &State, uc_engine *Engine, uint32_t Port, int Width) {
  if (Width == 1 || Width == 4) {
    return true;
  }
  State.Stop(Engine, RUN_END::Fault,
             std::to_string(8 * Width) + "-bit access to port " + Hex32(Port) + " at EIP " +
                 Hex32(State.LastAddress) + ": the module's port accesses are 8 or 32 bits");
  return false;
}

uint32_t OnPortIn(uc_engine *Engine, uint32_t Port, int Width, void *Context) {
  auto &State = *static_cast<HOOK_STATE *>(Context);
  ++State.Effects;
  if (!PortWidthSupported(State, Engine, Port, Width)) {
    return 0xFFFFFFFF;
  }
  return State.Ports.In(static_cast<uint16_t>(Port), static_cast<uint8_t>(Width));
}

void OnPortOut(uc_engine *Engine, uint32_t Port, int Width, uint32_t Value, void *Context) {
  auto &State = *static_cast<HOOK_STATE *>(Context);
  ++State.Effects;
  if (PortWidthSupported(State, Engine, Port, Width)) {
    State.Ports.Out(static_cast<uint16_t>(Port), static_cast<uint8_t>(Width), Value);
  }
}

void OnMemoryWrite(uc_engine *Engine, uc_mem_type Type, uint64_t Address, int Size, int64_t Value,
                   void *Context) {
  (void)Engine;
  (void)Type;
  (void)Address;
  (void)Size;
  (void)Value;
  ++static_cast<HOOK_STATE *>(Context)->Effects;
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

bool OnInvalidMemory(uc_engine *Engine, uc_mem_type Type, uint64_t Address, int Size, int64_t Value,
                     void *Context) {
  (void)Size;
  (void)Value;
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
    if (uc_hook_add(Engine, &Handle, Type, reinterpret_cast<void *>(Callback), &State, 1, 0) !=
        UC_ERR_OK) {
      return false;
    }
    Handles.push_back(Handle);
    return true;
  }

  template <typename CALLBACK>
  bool AddInstruction(int Instruction, CALLBACK *Callback, HOOK_STATE &State) {
    uc_hook Handle;
    if (uc_hook_add(Engine, &Handle, UC_HOOK_INSN, reinterpret_cast<void *>(Callback), &State, 1, 0,
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

// InstallPpi: mov eax, Status; ret. The code page is opened only to write it.
bool WriteInstallPpiStub(uc_engine *Engine, EFI_STATUS Status) {
  const uint8_t Stub[6] = {0xB8,
                           static_cast<uint8_t>(Status),
                           static_cast<uint8_t>(Status >> 8),
                           static_cast<uint8_t>(Status >> 16),
                           static_cast<uint8_t>(Status >> 24),
                           0xC3};
  return uc_mem_protect(Engine, STUB_PAGE, PAGE_SIZE, UC_PROT_ALL) == UC_ERR_OK &&
         uc_mem_write(Engine, INSTALL_PPI_STUB, Stub, sizeof Stub) == UC_ERR_OK &&
         uc_mem_protect(Engine, STUB_PAGE, PAGE_SIZE, UC_PROT_READ | UC_PROT_EXEC) == UC_ERR_OK;
}

// The state of a cdecl call of PeimEntry(FileHandle, PeiServices): arguments
// pushed right to left, then the return address, and a marked value in each
// callee-saved register.
bool PushEntryCall(uc_engine *Engine) {
  if (!WriteWord(Engine, ENTRY_ESP + 8, EMULATOR_PEI_SERVICES) ||
      !WriteWord(Engine, ENTRY_ESP + 4, EMULATOR_FILE_HANDLE) ||
      !WriteWord(Engine, ENTRY_ESP, RETURN_SENTINEL)) {
    return false;
  }
  WriteRegister(Engine, UC_X86_REG_ESP, ENTRY_ESP);
  for (size_t Index = 0; Index < std::size(CALLEE_SAVED); ++Index) {
    WriteRegister(Engine, CALLEE_SAVED[Index], CALLEE_SAVED_VALUES[Index]);
  }
  return true;
}

bool HookRun(RUN_HOOKS &Hooks, HOOK_STATE &State) {
  return Hooks.Add(UC_HOOK_CODE, &OnInstruction, State) &&
         Hooks.Add(UC_HOOK_INTR, &OnInterrupt, State) &&
         Hooks.Add(UC_HOOK_MEM_INVALID, &OnInvalidMemory, State) &&
         Hooks.Add(UC_HOOK_MEM_WRITE, &OnMemoryWrite, State) &&
         Hooks.AddInstruction(UC_X86_INS_IN, &OnPortIn, State) &&
         Hooks.AddInstruction(UC_X86_INS_OUT, &OnPortOut, State);
}

// The run ends at the return address, or before any instruction the CPU
// emulator cannot translate: an exit address ends translation there.
bool SetRunExits(uc_engine *Engine, const std::map<uint32_t, std::string> &Untranslatable) {
  std::vector<uint64_t> Exits = {RETURN_SENTINEL};
  for (const auto &Start : Untranslatable) {
    Exits.push_back(Start.first);
  }
  return uc_ctl_exits_enable(Engine) == UC_ERR_OK &&
         uc_ctl_set_exits(Engine, Exits.data(), Exits.size()) == UC_ERR_OK;
}

// Why a return to the sentinel broke the cdecl convention, if it did: a
// callee-saved register changed, or the return address not popped alone.
std::optional<std::string> CallingConventionProblem(uc_engine *Engine) {
  for (size_t Index = 0; Index < std::size(CALLEE_SAVED); ++Index) {
    if (ReadRegister(Engine, CALLEE_SAVED[Index]) != CALLEE_SAVED_VALUES[Index]) {
      return std::string("PeimEntry returned with ") + CALLEE_SAVED_NAMES[Index] +
             " changed; cdecl requires it kept";
    }
  }
  const uint32_t Esp = ReadRegister(Engine, UC_X86_REG_ESP);
  if (Esp != ENTRY_ESP + 4) {
    return "PeimEntry returned with ESP " + Hex32(Esp) + " instead of " + Hex32(ENTRY_ESP + 4);
  }
  return std::nullopt;
}

// Why a run that no hook stopped did not end in a clean return from
// PeimEntry, or nothing when it did.
std::optional<std::string> RunEndProblem(uc_engine *Engine, uc_err Error, uint32_t LastAddress,
                                         const std::map<uint32_t, std::string> &Untranslatable) {
  const uint32_t Eip = ReadRegister(Engine, UC_X86_REG_EIP);
  if (Error != UC_ERR_OK) {
    return std::string(uc_strerror(Error)) + " at EIP " + Hex32(LastAddress);
  }
  if (const auto Invalid = Untranslatable.find(Eip); Invalid != Untranslatable.end()) {
    return "invalid instruction at EIP " + Hex32(Eip) + ": " + Invalid->second;
  }
  if (Eip != RETURN_SENTINEL) {
    return "stopped at EIP " + Hex32(Eip) + " without returning";
  }
  return CallingConventionProblem(Engine);
}

} // namespace

IMAGE_EMULATOR::IMAGE_EMULATOR(uc_engine *Engine, uint32_t Base, uint32_t Size, uint32_t Entry,
                               PORT_SPACE &Ports)
    : Engine(Engine), LoadBase(Base), LoadSize(Size), EntryAddress(Entry), Ports(Ports) {}

IMAGE_EMULATOR::~IMAGE_EMULATOR() {
  uc_close(Engine);
}

std::unique_ptr<IMAGE_EMULATOR> IMAGE_EMULATOR::Create(const LOADABLE_IMAGE &Image, uint32_t Base,
                                                       PORT_SPACE &Ports, std::string &Error) {
  if (std::optional<std::string> Refusal = CheckLoadBase(Image, Base)) {
    Error = *Refusal;
    return nullptr;
  }
  const uint64_t PageStart = Base & ~(PAGE_SIZE - 1);
  const uint64_t PageEnd = (uint64_t{Base} + Image.Bytes.size() + PAGE_SIZE - 1) & ~(PAGE_SIZE - 1);
  // The null page stays unmapped so that a null dereference faults.
  if (PageStart < EMULATOR_RESERVED_END) {
    Error = "load base " + Hex32(Base) +
            " overlaps the null page or the emulator's own memory below " +
            Hex32(EMULATOR_RESERVED_END);
    return nullptr;
  }
  static_assert(ADDRESS_SPACE_TOP % PAGE_SIZE == 0, "pages end at 4 GiB");

  uc_engine *Engine = nullptr;
  if (uc_open(UC_ARCH_X86, UC_MODE_32, &Engine) != UC_ERR_OK) {
    Error = "cannot open the CPU emulator";
    return nullptr;
  }
  std::unique_ptr<IMAGE_EMULATOR> Emulator(new IMAGE_EMULATOR(
      Engine, Base, static_cast<uint32_t>(Image.Bytes.size()), Base + Image.EntryPoint, Ports));
  const std::vector<uint8_t> Bytes = RelocatedBytes(Image, Base);
  Emulator->Untranslatable = FindUntranslatableStarts(Bytes, Base);
  if (!MapImageAndFoundation(Engine, PageStart, PageEnd - PageStart, Bytes, Base)) {
    Error = "cannot map the image at " + Hex32(Base) + " in the CPU emulator";
    return nullptr;
  }
  return Emulator;
}

RUN_RESULT IMAGE_EMULATOR::RunPeimEntry(EFI_STATUS InstallPpiStatus, uint64_t MaxInstructions) {
  RUN_RESULT Result;
  if (HasRun) {
    Result.Problem = "PeimEntry already ran in this emulator";
    return Result;
  }
  HasRun = true;
  if (!WriteInstallPpiStub(Engine, InstallPpiStatus) || !PushEntryCall(Engine)) {
    Result.Problem = "cannot set up the call to PeimEntry";
    return Result;
  }
  HOOK_STATE State{Ports, LoadBase, LoadBase + LoadSize, MaxInstructions, Result, 0, 0, ENTRY_ESP};
  RUN_HOOKS Hooks(Engine);
  if (!HookRun(Hooks, State)) {
    Result.Problem = "cannot hook the CPU emulator";
    return Result;
  }
  if (!SetRunExits(Engine, Untranslatable)) {
    Result.Problem = "cannot set the CPU emulator's exits";
    return Result;
  }

  const uc_err Error = uc_emu_start(Engine, EntryAddress, 0, 0, 0);
  Result.PeakStackBytes = ENTRY_ESP - State.LowestEsp;
  if (State.Stopped) {
    return Result; // a hook stopped it and said why
  }
  if (std::optional<std::string> Problem =
          RunEndProblem(Engine, Error, State.LastAddress, Untranslatable)) {
    Result.Problem = *Problem;
    return Result;
  }
  Result.End = RUN_END::Returned;
  Result.Status = ReadRegister(Engine, UC_X86_REG_EAX);
  return Result;
}

bool IMAGE_EMULATOR::ReadMemory(uint32_t Address, void *Buffer, size_t Size) const {
  if (uint64_t{Address} + Size > ADDRESS_SPACE_TOP) {
    return false;
  }
  return Size == 0 || uc_mem_read(Engine, Address, Buffer, Size) == UC_ERR_OK;
}

} // namespace TolvernEmu
