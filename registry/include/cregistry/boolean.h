// A Boolean argument of the class: true or false, or a number, true when it
// is not 0, as the class's Boolean arguments have always counted it.
//
// Note: a plain bool parameter would take a pointer too: a text passed one
// position too far (a menu text where the flag before it belongs) would
// silently become true. A pointer is refused at compile time instead, and
// the compiler's message names what to pass.
#pragma once

#include <cstddef>
#include <type_traits>

namespace cregistry {

class Boolean {
 public:
  template <typename T, std::enable_if_t<std::is_arithmetic_v<T>, int> = 0>
  constexpr Boolean(T value) : value_(value != 0) {}
  // Refused: pass true or false here (a text is one argument too many).
  template <typename PassTrueOrFalseNotAText>
  Boolean(PassTrueOrFalseNotAText*) = delete;
  Boolean(std::nullptr_t) = delete;

  constexpr operator bool() const { return value_; }

 private:
  bool value_;
};

}  // namespace cregistry
