#include "Dependency.h"

#include <Pi/PiDependency.h>

namespace {

struct EVALUATION {
  BOOLEAN Stack[DEPENDENCY_STACK_DEPTH];
  UINT32 Depth;
};

BOOLEAN Push(EVALUATION *Evaluation, BOOLEAN Value) {
  if (Evaluation->Depth == DEPENDENCY_STACK_DEPTH) {
    return FALSE;
  }
  Evaluation->Stack[Evaluation->Depth++] = Value;
  return TRUE;
}

BOOLEAN Installed(const EFI_PEI_SERVICES **PeiServices, const UINT8 *GuidBytes) {
  // Copied out: the GUID in the expression is not aligned like EFI_GUID.
  EFI_GUID Guid;
  UINT8 *Copy = reinterpret_cast<UINT8 *>(&Guid);
  for (UINTN Index = 0; Index < sizeof Guid; ++Index) {
    Copy[Index] = GuidBytes[Index];
  }
  VOID *Ppi = nullptr;
  return (*PeiServices)->LocatePpi(PeiServices, &Guid, 0, nullptr, &Ppi) == EFI_SUCCESS;
}

DEPENDENCY_RESULT Unusable(const CHAR8 **Reason, const CHAR8 *Text) {
  *Reason = Text;
  return DEPENDENCY_UNUSABLE;
}

} // namespace

DEPENDENCY_RESULT EvaluateDependency(const UINT8 *Expression, UINT32 Size,
                                     const EFI_PEI_SERVICES **PeiServices, const CHAR8 **Reason) {
  if (Expression == nullptr) {
    return DEPENDENCY_SATISFIED;
  }
  EVALUATION Evaluation;
  Evaluation.Depth = 0;
  for (UINT32 At = 0; At < Size; ++At) {
    UINT8 Opcode = Expression[At];
    BOOLEAN Pushed = TRUE;
    switch (Opcode) {
    case EFI_DEP_BEFORE:
      return Unusable(Reason, "its dependency uses BEFORE, which orders DXE drivers, not PEIMs");
    case EFI_DEP_AFTER:
      return Unusable(Reason, "its dependency uses AFTER, which orders DXE drivers, not PEIMs");
    case EFI_DEP_SOR:
      return Unusable(Reason, "its dependency uses SOR, which orders DXE drivers, not PEIMs");
    case EFI_DEP_PUSH:
      if (Size - At - 1 < sizeof(EFI_GUID)) {
        return Unusable(Reason, "its dependency ends inside a PUSH's GUID");
      }
      Pushed = Push(&Evaluation, Installed(PeiServices, Expression + At + 1));
      At += sizeof(EFI_GUID);
      break;
    case EFI_DEP_TRUE:
    case EFI_DEP_FALSE:
      Pushed = Push(&Evaluation, Opcode == EFI_DEP_TRUE);
      break;
    case EFI_DEP_NOT:
      if (Evaluation.Depth < 1) {
        return Unusable(Reason, "its dependency takes a value it never pushed");
      }
      Evaluation.Stack[Evaluation.Depth - 1] = !Evaluation.Stack[Evaluation.Depth - 1];
      break;
    case EFI_DEP_AND:
    case EFI_DEP_OR: {
      if (Evaluation.Depth < 2) {
        return Unusable(Reason, "its dependency takes a value it never pushed");
      }
      BOOLEAN Right = Evaluation.Stack[--Evaluation.Depth];
      BOOLEAN &Left = Evaluation.Stack[Evaluation.Depth - 1];
      Left = Opcode == EFI_DEP_AND ? (BOOLEAN)(Left && Right) : (BOOLEAN)(Left || Right);
      break;
    }
    case EFI_DEP_END:
      if (At + 1 != Size) {
        return Unusable(Reason, "its dependency has bytes after END");
      }
      if (Evaluation.Depth != 1) {
        return Unusable(Reason, "its dependency does not end with exactly one value");
      }
      return Evaluation.Stack[0] ? DEPENDENCY_SATISFIED : DEPENDENCY_NOT_SATISFIED;
    default:
      return Unusable(Reason, "its dependency holds an unknown opcode");
    }
    if (!Pushed) {
      return Unusable(Reason, "its dependency is deeper than the dispatcher evaluates");
    }
  }
  return Unusable(Reason, "its dependency does not end with END");
}
