// The error of a .reg file that the in-memory registry cannot read: the line
// and what was expected there.
#pragma once

#include <stdexcept>
#include <string>

namespace cregistry {

class RegFileError : public std::runtime_error {
 public:
  // line counts from 1; 0 where the error concerns no line (a file that
  // cannot be read, a key that is not there to export).
  RegFileError(int line, const std::string& message)
      : std::runtime_error(line > 0 ? "line " + std::to_string(line) + ": " + message : message),
        Line(line) {}

  int Line;
};

}  // namespace cregistry
