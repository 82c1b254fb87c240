// Failure messages travel as one line, whatever text went into them.
#include "InspectError.h"

namespace {

std::string OneLine(std::string Text) {
  for (char &Character : Text) {
    if (Character == '\n' || Character == '\r') {
      Character = ' ';
    }
  }
  return Text;
}

} // namespace

INSPECT_ERROR::INSPECT_ERROR(const std::string &Message) : std::runtime_error(OneLine(Message)) {}
