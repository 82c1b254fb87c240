// The one kind of failure the inspector reports: a file it cannot take as a
// Tolvern image, told in one line.
#pragma once

#include <stdexcept>
#include <string>

namespace TolvernInspect {

class INSPECT_ERROR : public std::runtime_error {
public:
  explicit INSPECT_ERROR(const std::string &Message);
};

} // namespace TolvernInspect
