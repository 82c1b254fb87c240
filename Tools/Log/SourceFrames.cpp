#include "SourceFrames.h"

#include <llvm/DebugInfo/Symbolize/Symbolize.h>
#include <llvm/Support/Error.h>

namespace TolvernLog {

struct SYMBOLIZER {
  llvm::symbolize::LLVMSymbolizer Llvm;
};

std::shared_ptr<SYMBOLIZER> NewSymbolizer() {
  return std::make_shared<SYMBOLIZER>();
}

std::optional<std::vector<FRAME>> SourceFrames(SYMBOLIZER &Symbolizer,
                                               const std::string &SymbolFile, uint64_t Address,
                                               std::string &Problem) {
  llvm::Expected<llvm::DIInliningInfo> Inlined = Symbolizer.Llvm.symbolizeInlinedCode(
      SymbolFile, {Address, llvm::object::SectionedAddress::UndefSection});
  if (!Inlined) {
    Problem = llvm::toString(Inlined.takeError());
    return std::nullopt;
  }
  std::vector<FRAME> Frames;
  for (uint32_t Index = 0; Index < Inlined->getNumberOfFrames(); ++Index) {
    const llvm::DILineInfo &Info = Inlined->getFrame(Index);
    if (Info.FunctionName == llvm::DILineInfo::BadString && Info.Line == 0) {
      continue;
    }
    Frames.push_back({Info.FunctionName, Info.FileName, Info.Line, Info.Column});
  }
  if (Frames.empty()) {
    Problem = "no code described there";
    return std::nullopt;
  }
  return Frames;
}

} // namespace TolvernLog
