#include "Dispatcher.h"

#include "BootLog.h"
#include "BootVolume.h"
#include "Dependency.h"
#include "PeimImage.h"

#include <Library/PrintLib.h>

namespace {

constexpr UINT64 TOP_OF_FLASH = 0x100000000ull;
// "{GUID} name", as the log names a PEIM.
constexpr UINTN LABEL_SIZE = 96;

enum PEIM_STATE : UINT8 { PEIM_PENDING, PEIM_DISPATCHED, PEIM_REFUSED };

struct BOOT_PEIM {
  const EFI_FFS_FILE_HEADER *File;
  PEIM_SECTIONS Sections;
  PEIM_STATE State;
  CHAR8 Label[LABEL_SIZE];
};

struct PEIM_TABLE {
  BOOT_PEIM Peims[BOOT_MAX_PEIMS];
  UINT32 Count;
};

BOOLEAN Refuse(BOOT_STATE *State, UINT32 VolumeBase, FV_PROBLEM Problem, UINT32 Offset) {
  if (!FvProblemHasOffset(Problem)) {
    BootLog(State, "[pei] FV at 0x%08X refused: %a\n", VolumeBase, FV_PROBLEM_TEXT[Problem]);
  } else {
    BootLog(State, "[pei] FV at 0x%08X refused at offset 0x%08X: %a\n", VolumeBase, Offset,
            FV_PROBLEM_TEXT[Problem]);
  }
  return FALSE;
}

// Checks the volume and every file in it and keeps the live PEIMs; FALSE,
// after saying why, when anything is damaged.
BOOLEAN CollectPeims(BOOT_STATE *State, UINT32 VolumeBase, PEIM_TABLE *Table) {
  BOOT_VOLUME Volume;
  const UINT8 *Base = reinterpret_cast<const UINT8 *>(static_cast<UINTN>(VolumeBase));
  FV_PROBLEM Problem = OpenBootVolume(Base, TOP_OF_FLASH - VolumeBase, &Volume);
  if (Problem != FV_SOUND) {
    return Refuse(State, VolumeBase, Problem, 0);
  }
  Table->Count = 0;
  UINT32 Files = 0;
  BOOT_FILE File;
  BOOLEAN Found = FALSE;
  for (UINT32 Cursor = FirstFileOffset(&Volume);; Cursor = File.Offset + File.Size) {
    Problem = ReadBootFile(&Volume, Cursor, &File, &Found);
    if (Problem != FV_SOUND) {
      return Refuse(State, VolumeBase, Problem, File.Offset);
    }
    if (!Found) {
      break;
    }
    ++Files;
    if (File.Header->Type != EFI_FV_FILETYPE_PEIM || !IsLiveFile(&File)) {
      continue;
    }
    if (Table->Count == BOOT_MAX_PEIMS) {
      BootLog(State, "[pei] FV at 0x%08X refused: it holds more than %d PEIMs\n", VolumeBase,
              BOOT_MAX_PEIMS);
      return FALSE;
    }
    BOOT_PEIM *Peim = &Table->Peims[Table->Count++];
    UINT32 Where = 0;
    Problem = ReadPeimSections(&File, &Peim->Sections, &Where);
    if (Problem != FV_SOUND) {
      return Refuse(State, VolumeBase, Problem, Where);
    }
    Peim->File = File.Header;
    Peim->State = PEIM_PENDING;
    if (Peim->Sections.Name != nullptr) {
      FormatToBuffer(Peim->Label, sizeof Peim->Label, "{%g} %s", &File.Header->Name,
                     Peim->Sections.Name);
    } else {
      FormatToBuffer(Peim->Label, sizeof Peim->Label, "{%g}", &File.Header->Name);
    }
  }
  BootLog(State, "[pei] FV at 0x%08X, 0x%08X bytes, %d files\n", VolumeBase, Volume.Length, Files);
  return TRUE;
}

// Calls the PEIM if its image can run where it lies. TRUE when it was called
// and returned EFI_SUCCESS.
BOOLEAN CallPeim(BOOT_STATE *State, PEI_CORE_INSTANCE *Core, BOOT_PEIM *Peim) {
  PEIM_IMAGE Image;
  const BOOT_SECTION &Section = Peim->Sections.Image;
  const CHAR8 *Problem = Section.Data == nullptr
                             ? "it has no PE32 section"
                             : CheckPeimImage(Section.Data, Section.Size, &Image);
  if (Problem != nullptr) {
    BootLog(State, "[pei] not dispatched %a: %a\n", Peim->Label, Problem);
    Peim->State = PEIM_REFUSED;
    return FALSE;
  }
  State->RunningBase = Image.Base;
  State->RunningSize = Image.SizeOfImage;
  State->RunningName = Peim->Sections.Name;
  PEIM_ENTRY_POINT Entry = reinterpret_cast<PEIM_ENTRY_POINT>(static_cast<UINTN>(Image.EntryPoint));
  ++State->PeimsCalled;
  EFI_STATUS Status = Entry(Peim->File, PeiCoreServices(Core));
  State->RunningSize = 0;
  Peim->State = PEIM_DISPATCHED;
  BootLog(State, "[pei] dispatch %a at 0x%08X: %r\n", Peim->Label, Image.Base, Status);
  // A PEIM has had the UART: what was held goes out now.
  BootLogRelease(State);
  return Status == EFI_SUCCESS;
}

} // namespace

BOOLEAN DispatchBootVolume(BOOT_STATE *State, PEI_CORE_INSTANCE *Core, UINT32 VolumeBase) {
  PEIM_TABLE Table;
  if (!CollectPeims(State, VolumeBase, &Table)) {
    return FALSE;
  }
  BOOLEAN AllSucceeded = TRUE;
  UINT32 Dispatched = 0;
  UINT32 Passes = 0;
  // Each pass that goes on dispatched one more PEIM, so there are at most Count + 1.
  for (BOOLEAN Progress = TRUE; Progress; ++Passes) {
    Progress = FALSE;
    for (UINT32 Index = 0; Index < Table.Count; ++Index) {
      BOOT_PEIM *Peim = &Table.Peims[Index];
      if (Peim->State != PEIM_PENDING) {
        continue;
      }
      const CHAR8 *Reason = nullptr;
      switch (EvaluateDependency(Peim->Sections.Dependency.Data, Peim->Sections.Dependency.Size,
                                 PeiCoreServices(Core), &Reason)) {
      case DEPENDENCY_NOT_SATISFIED:
        BootLog(State, "[pei] not dispatched %a: its dependency is not satisfied\n", Peim->Label);
        break;
      case DEPENDENCY_UNUSABLE:
        BootLog(State, "[pei] not dispatched %a: %a\n", Peim->Label, Reason);
        Peim->State = PEIM_REFUSED;
        break;
      case DEPENDENCY_SATISFIED:
        AllSucceeded = CallPeim(State, Core, Peim) && AllSucceeded;
        if (Peim->State == PEIM_DISPATCHED) {
          ++Dispatched;
          Progress = TRUE;
        }
        break;
      }
    }
  }
  BootLog(State, "[pei] %d of %d PEIMs dispatched in %d passes\n", Dispatched, Table.Count, Passes);
  return AllSucceeded && Dispatched == Table.Count;
}
