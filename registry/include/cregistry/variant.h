// The caller-facing form of a registry value: empty, a 16-bit or 32-bit
// signed integer, a text, a byte array with its bounds, a double or a
// Boolean. A Variant owns its data; copies never share storage.
#pragma once

#include <cstdint>
#include <cwchar>
#include <type_traits>
#include <variant>
#include <vector>

#include "cregistry/text.h"

namespace cregistry {

// A one-dimensional array of bytes indexed from LowerBound to UpperBound.
// An empty array has UpperBound() == LowerBound - 1.
struct ByteArray {
  std::int32_t LowerBound = 0;
  std::vector<std::uint8_t> Bytes;

  std::int64_t UpperBound() const {
    return static_cast<std::int64_t>(LowerBound) + static_cast<std::int64_t>(Bytes.size()) - 1;
  }
  bool operator==(const ByteArray& other) const {
    return LowerBound == other.LowerBound && Bytes == other.Bytes;
  }
  bool operator!=(const ByteArray& other) const { return !(*this == other); }
};

class Variant {
  template <typename T>
  static constexpr bool kIsOther32BitInteger = std::is_integral_v<T> && sizeof(T) <= 4 &&
                                               !std::is_same_v<T, bool> &&
                                               !std::is_same_v<T, std::int16_t> &&
                                               !std::is_same_v<T, char> &&
                                               !std::is_same_v<T, wchar_t> &&
                                               !std::is_same_v<T, char16_t> &&
                                               !std::is_same_v<T, char32_t>
#ifdef __cpp_char8_t
                                               && !std::is_same_v<T, char8_t>
#endif
      ;

 public:
  enum class Kind { kEmpty, kInteger, kLong, kText, kBytes, kDouble, kBoolean };

  Variant() = default;
  Variant(std::int16_t value) : data_(value) {}
  // Any other integer of up to 32 bits (int, unsigned, Windows' LONG and
  // DWORD...) is held as a 32-bit integer with the same 32 bits: the DWORD
  // 0xFFFFFFFF is -1.
  template <typename T, std::enable_if_t<kIsOther32BitInteger<T>, int> = 0>
  Variant(T value) : data_(static_cast<std::int32_t>(static_cast<std::uint32_t>(value))) {}
  Variant(Text value) : data_(std::move(value)) {}
  Variant(const char16_t* value) : data_(Text(value)) {}
#if WCHAR_MAX <= 0xFFFF
  // Windows' wide strings are UTF-16 too.
  Variant(const wchar_t* value) : data_(Text(value, value + std::wcslen(value))) {}
#endif
  // Note: a const char* is refused, its encoding being unknown: write
  // u"..." (or FromUtf8 for UTF-8). No other pointer converts either, to a
  // Boolean least of all.
  Variant(const char*) = delete;
  Variant(ByteArray value) : data_(std::move(value)) {}
  Variant(double value) : data_(value) {}
  template <typename T, std::enable_if_t<std::is_same_v<T, bool>, int> = 0>
  Variant(T value) : data_(value) {}

  Kind kind() const { return static_cast<Kind>(data_.index()); }
  bool IsEmpty() const { return kind() == Kind::kEmpty; }

  // The held value when it is of that kind, else null.
  const std::int16_t* AsInteger() const { return std::get_if<std::int16_t>(&data_); }
  const std::int32_t* AsLong() const { return std::get_if<std::int32_t>(&data_); }
  const Text* AsText() const { return std::get_if<Text>(&data_); }
  const ByteArray* AsBytes() const { return std::get_if<ByteArray>(&data_); }
  const double* AsDouble() const { return std::get_if<double>(&data_); }
  const bool* AsBoolean() const { return std::get_if<bool>(&data_); }

  // The value written as text:
  // - empty: the empty text; integers: decimal digits with a leading minus
  //   sign when negative ("-1");
  // - a double: the shortest form that reads back as the same number, with
  //   a point for the decimals and an upper-case exponent ("1.5", "1E+20");
  // - a Boolean: "True" or "False";
  // - a byte array: its bytes from the lower to the upper bound, each as two
  //   upper-case hexadecimal digits, separated by one space ("0A FF 10");
  //   an empty array gives the empty text.
  Text ToText() const;

  bool operator==(const Variant& other) const { return data_ == other.data_; }
  bool operator!=(const Variant& other) const { return !(*this == other); }

 private:
  std::variant<std::monostate, std::int16_t, std::int32_t, Text, ByteArray, double, bool> data_;
};

}  // namespace cregistry
