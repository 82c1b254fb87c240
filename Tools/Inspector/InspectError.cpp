// Failure messages travel as one line, whatever text went into them.
#include "InspectError.h"

#include <MessageText.h>

namespace TolvernInspect {

using namespace HostTools;

INSPECT_ERROR::INSPECT_ERROR(const std::string &Message) : std::runtime_error(OneLine(Message)) {}

} // namespace TolvernInspect
