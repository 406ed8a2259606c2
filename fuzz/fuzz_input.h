// Reads typed pieces off a fuzzer's input, yielding zeros once it runs out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <type_traits>

#include "cregistry/text.h"

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool Empty() const { return at_ >= size_; }
  template <typename T>
  T Take() {
    if constexpr (std::is_same_v<T, bool>) {
      return (Take<std::uint8_t>() & 1) != 0;
    }
    T value{};
    const std::size_t n = sizeof(T) < size_ - at_ ? sizeof(T) : size_ - at_;
    if (n > 0) std::memcpy(&value, data_ + at_, n);
    at_ += n;
    return value;
  }
  // A short text drawn from a small alphabet that provokes the interesting
  // cases: backslashes, percent signs, accents, the euro sign, characters
  // outside the code page and U+0000.
  cregistry::Text Text(std::size_t longest = 24) {
    static constexpr char16_t kAlphabet[] = {u'a',      u'B',      u'\\',     u'%',      u' ',
                                             u'\u00e8', u'\u20ac', u'\uFF3C', u'\u4e2d', u'\0',
                                             u'x',      u'.',      u'"',      u'1'};
    cregistry::Text text(Take<std::uint8_t>() % (longest + 1), u'a');
    for (auto& c : text) c = kAlphabet[Take<std::uint8_t>() % std::size(kAlphabet)];
    return text;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};
