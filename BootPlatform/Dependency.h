// Evaluates a PEIM's dependency expression against the PPIs installed so far.
// A PEI dispatcher takes PUSH, AND, OR, NOT, TRUE, FALSE and END; BEFORE,
// AFTER and SOR order DXE drivers and make a PEIM undispatchable here, as
// does any expression that is not well formed.
#pragma once

#include <PiPei.h>

// The deepest expression the evaluator takes.
#define DEPENDENCY_STACK_DEPTH 32

typedef enum {
  DEPENDENCY_SATISFIED,
  DEPENDENCY_NOT_SATISFIED,
  DEPENDENCY_UNUSABLE, // never dispatchable; *Reason says why
} DEPENDENCY_RESULT;

// A null Expression (no dependency section) is satisfied at once. PUSH asks
// LocatePpi whether the PPI is installed.
DEPENDENCY_RESULT EvaluateDependency(const UINT8 *Expression, UINT32 Size,
                                     const EFI_PEI_SERVICES **PeiServices, const CHAR8 **Reason);
