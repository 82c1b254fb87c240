// The failing-constructor image's constructor list, in place of the module's.
#include "FailingConstructor.h"

constexpr LIBRARY_CONSTRUCTOR ConstructorList[] = {UartInit, FailingConstructor};
constexpr UINTN ConstructorCount = sizeof(ConstructorList) / sizeof(ConstructorList[0]);

// The image must run the list the host tests run.
constexpr bool SameAsTheHostList() {
  if (ConstructorCount != FailingConstructorCount) {
    return false;
  }
  for (UINTN Index = 0; Index < ConstructorCount; ++Index) {
    if (ConstructorList[Index] != FailingConstructorList[Index]) {
      return false;
    }
  }
  return true;
}
static_assert(SameAsTheHostList(), "the image's list is FailingConstructorList");
