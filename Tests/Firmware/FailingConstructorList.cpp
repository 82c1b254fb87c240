// The failing-constructor image's constructor list, in place of the module's.
#include "FailingConstructor.h"

constexpr LIBRARY_CONSTRUCTOR ConstructorList[] = {FailingConstructorList[0],
                                                   FailingConstructorList[1]};
constexpr UINTN ConstructorCount = FailingConstructorCount;
static_assert(sizeof(ConstructorList) == sizeof(FailingConstructorList), "the whole list");
