#include "cregistry/variant.h"

#include <cctype>
#include <charconv>
#include <string>

namespace cregistry {

namespace {

Text Ascii(const std::string& text) { return Text(text.begin(), text.end()); }

Text DoubleText(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  std::string text(buffer, result.ptr);
  if (text == "inf") return u"Infinity";
  if (text == "-inf") return u"-Infinity";
  if (text == "nan" || text == "-nan") return u"NaN";
  for (char& c : text) c = static_cast<char>(std::toupper(c));
  return Ascii(text);
}

Text BytesText(const ByteArray& bytes) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  Text text;
  text.reserve(bytes.Bytes.size() * 3);
  for (const std::uint8_t byte : bytes.Bytes) {
    if (!text.empty()) text += u' ';
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0xF];
  }
  return text;
}

}  // namespace

Text Variant::ToText() const {
  switch (kind()) {
    case Kind::kEmpty:
      return Text();
    case Kind::kInteger:
      return DecimalText(*AsInteger());
    case Kind::kLong:
      return DecimalText(*AsLong());
    case Kind::kText:
      return *AsText();
    case Kind::kBytes:
      return BytesText(*AsBytes());
    case Kind::kDouble:
      return DoubleText(*AsDouble());
    case Kind::kBoolean:
      return *AsBoolean() ? u"True" : u"False";
  }
  return Text();
}

}  // namespace cregistry
