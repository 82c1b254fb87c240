// The dispatcher's dependency evaluator: each expression against a PPI
// database holding one PPI, satisfied or not, or refused with its reason.
#include "Dependency.h"
#include "PeiCore.h"

#include <Pi/PiDependency.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using BYTES = std::vector<UINT8>;

constexpr EFI_GUID INSTALLED = {0x11111111, 0x2222, 0x3333, {1, 2, 3, 4, 5, 6, 7, 8}};
int PpiBody;

// PUSH and a GUID whose first byte is Tag; Tag 0x11 is the installed one.
BYTES Push(UINT8 Tag) {
  BYTES Bytes = {EFI_DEP_PUSH};
  const UINT8 *Guid = reinterpret_cast<const UINT8 *>(&INSTALLED);
  Bytes.insert(Bytes.end(), Guid, Guid + sizeof(EFI_GUID));
  Bytes[1] = Tag;
  return Bytes;
}

BYTES Join(std::initializer_list<BYTES> Parts) {
  BYTES Bytes;
  for (const BYTES &Part : Parts) {
    Bytes.insert(Bytes.end(), Part.begin(), Part.end());
  }
  return Bytes;
}

const BYTES YES = Push(0x11);
const BYTES NO = Push(0x99);

struct DEPENDENCY_CASE {
  const char *Name;
  BYTES Expression;
  DEPENDENCY_RESULT Result;
  const char *Reason; // for an unusable expression
};

void PrintTo(const DEPENDENCY_CASE &Case, std::ostream *Stream) {
  *Stream << Case.Name;
}

const DEPENDENCY_CASE CASES[] = {
    {"TrueEnd", {EFI_DEP_TRUE, EFI_DEP_END}, DEPENDENCY_SATISFIED, ""},
    {"FalseEnd", {EFI_DEP_FALSE, EFI_DEP_END}, DEPENDENCY_NOT_SATISFIED, ""},
    {"PushInstalled", Join({YES, {EFI_DEP_END}}), DEPENDENCY_SATISFIED, ""},
    {"PushMissing", Join({NO, {EFI_DEP_END}}), DEPENDENCY_NOT_SATISFIED, ""},
    {"AndNeedsBoth", Join({YES, NO, {EFI_DEP_AND, EFI_DEP_END}}), DEPENDENCY_NOT_SATISFIED, ""},
    {"OrNeedsOne", Join({NO, YES, {EFI_DEP_OR, EFI_DEP_END}}), DEPENDENCY_SATISFIED, ""},
    {"NotMissing", Join({NO, {EFI_DEP_NOT, EFI_DEP_END}}), DEPENDENCY_SATISFIED, ""},
    {"Before", Join({{EFI_DEP_BEFORE}, BYTES(16, 0), {EFI_DEP_END}}), DEPENDENCY_UNUSABLE,
     "its dependency uses BEFORE, which orders DXE drivers, not PEIMs"},
    {"After", Join({{EFI_DEP_AFTER}, BYTES(16, 0), {EFI_DEP_END}}), DEPENDENCY_UNUSABLE,
     "its dependency uses AFTER, which orders DXE drivers, not PEIMs"},
    {"Sor",
     {EFI_DEP_SOR, EFI_DEP_TRUE, EFI_DEP_END},
     DEPENDENCY_UNUSABLE,
     "its dependency uses SOR, which orders DXE drivers, not PEIMs"},
    {"PushCutShort", BYTES(YES.begin(), YES.end() - 1), DEPENDENCY_UNUSABLE,
     "its dependency ends inside a PUSH's GUID"},
    {"AndOnOneValue",
     {EFI_DEP_TRUE, EFI_DEP_AND, EFI_DEP_END},
     DEPENDENCY_UNUSABLE,
     "its dependency takes a value it never pushed"},
    {"NotOnNothing",
     {EFI_DEP_NOT, EFI_DEP_END},
     DEPENDENCY_UNUSABLE,
     "its dependency takes a value it never pushed"},
    {"TwoValuesLeft",
     {EFI_DEP_TRUE, EFI_DEP_TRUE, EFI_DEP_END},
     DEPENDENCY_UNUSABLE,
     "its dependency does not end with exactly one value"},
    {"BytesAfterEnd",
     {EFI_DEP_TRUE, EFI_DEP_END, EFI_DEP_TRUE},
     DEPENDENCY_UNUSABLE,
     "its dependency has bytes after END"},
    {"NoEnd", {EFI_DEP_TRUE}, DEPENDENCY_UNUSABLE, "its dependency does not end with END"},
    {"Empty", {}, DEPENDENCY_UNUSABLE, "its dependency does not end with END"},
    {"UnknownOpcode",
     {0x0A, EFI_DEP_END},
     DEPENDENCY_UNUSABLE,
     "its dependency holds an unknown opcode"},
    {"DeeperThanTheStack",
     Join({BYTES(DEPENDENCY_STACK_DEPTH + 1, EFI_DEP_TRUE),
           BYTES(DEPENDENCY_STACK_DEPTH, EFI_DEP_AND),
           {EFI_DEP_END}}),
     DEPENDENCY_UNUSABLE, "its dependency is deeper than the dispatcher evaluates"},
    {"AsDeepAsTheStack",
     Join({BYTES(DEPENDENCY_STACK_DEPTH, EFI_DEP_TRUE),
           BYTES(DEPENDENCY_STACK_DEPTH - 1, EFI_DEP_AND),
           {EFI_DEP_END}}),
     DEPENDENCY_SATISFIED, ""},
};

class Dependency : public testing::TestWithParam<DEPENDENCY_CASE> {
protected:
  void SetUp() override {
    PeiCoreInitialize(&Core);
    Descriptor = {EFI_PEI_PPI_DESCRIPTOR_PPI | EFI_PEI_PPI_DESCRIPTOR_TERMINATE_LIST,
                  const_cast<EFI_GUID *>(&INSTALLED), &PpiBody};
    ASSERT_EQ(PeiInstallPpi(PeiCoreServices(&Core), &Descriptor), EFI_SUCCESS);
  }

  PEI_CORE_INSTANCE Core;
  EFI_PEI_PPI_DESCRIPTOR Descriptor;
};

TEST_P(Dependency, EvaluatesOrRefuses) {
  const BYTES &Expression = GetParam().Expression;
  const CHAR8 *Reason = "";
  // A buffer of exactly its size, so that a sanitizer sees any read past its end.
  const std::unique_ptr<UINT8[]> Copy(new UINT8[Expression.size()]);
  std::copy(Expression.begin(), Expression.end(), Copy.get());
  EXPECT_EQ(EvaluateDependency(Copy.get(), static_cast<UINT32>(Expression.size()),
                               PeiCoreServices(&Core), &Reason),
            GetParam().Result);
  EXPECT_STREQ(Reason, GetParam().Reason);
}

INSTANTIATE_TEST_SUITE_P(Expressions, Dependency, testing::ValuesIn(CASES),
                         [](const auto &Info) { return std::string(Info.param.Name); });

TEST_F(Dependency, NoExpressionIsSatisfiedAtOnce) {
  const CHAR8 *Reason = "";
  EXPECT_EQ(EvaluateDependency(nullptr, 0, PeiCoreServices(&Core), &Reason), DEPENDENCY_SATISFIED);
}

} // namespace
