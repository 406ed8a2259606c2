// Writing a .reg file as reg export writes it.
#include <algorithm>
#include <array>

#include "cregistry/reg_file_error.h"
#include "node.h"
#include "reg_file.h"

namespace cregistry {
namespace {

constexpr char16_t kDigits[] = u"0123456789abcdef";
// reg export breaks a line of hexadecimal data once it reaches 77 columns,
// with a backslash, and goes on on the next after two spaces.
constexpr std::size_t kHexColumns = 77;

// A name or text in double quotes: a backslash, a quote and the line breaks
// escaped; a text ends at its NUL.
Text Quoted(TextView text) {
  Text out(1, u'"');
  for (const char16_t c : text) {
    if (c == u'\0') break;
    const auto escape = std::find_if(std::begin(kRegFileEscapes), std::end(kRegFileEscapes),
                                     [c](const auto& candidate) { return candidate.second == c; });
    if (escape == std::end(kRegFileEscapes)) {
      out += c;
    } else {
      out += {u'\\', escape->first};
    }
  }
  return out + u'"';
}

Text Hex(std::uint32_t number, int digits) {
  Text out;
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
    out += kDigits[(number >> shift) & 0xF];
  return out;
}

}  // namespace

RegFileWriter::RegFileWriter() : text_(u"Windows Registry Editor Version 5.00\r\n") {}

void RegFileWriter::Key(const Text& name) {
  // A key's line ends at its name's line break, and reg import refuses a
  // U+0000 in it: either would make the file name another key.
  if (name.find_first_of(TextView(u"\r\n\0", 3)) != Text::npos) {
    throw RegFileError(
        0, "a key whose name a .reg file cannot carry (line break or U+0000): " + ToUtf8(name));
  }
  text_ += u"\r\n[" + name + u"]\r\n";
}

void RegFileWriter::Value(const Text& name, std::uint32_t type,
                          const std::vector<std::uint8_t>& data) {
  // reg import reads a text back as it was written only where it ends
  // with its NUL character (or is empty): in hex it would gain one.
  const std::size_t size = data.size();
  const bool ended = size % 2 == 0 && (size == 0 || (data[size - 2] | data[size - 1]) == 0);
  if (IsTextType(type) && !ended) {
    throw RegFileError(
        0, "a value whose data a .reg file cannot carry (a text without its NUL): " + ToUtf8(name));
  }
  const Text start = (name.empty() ? Text(u"@") : Quoted(name)) + u'=';
  text_ += start;
  // A string in quotes carries a text with one NUL, at its end; hex the rest.
  const Text text = type == 1 ? TextOfData(data) : Text();
  if (!text.empty() && text.find(u'\0') == text.size() - 1) {
    text_ += Quoted(text);
  } else if (type == 4 && data.size() == 4) {
    text_ += u"dword:" + Hex(static_cast<std::uint32_t>(data[0] | data[1] << 8 | data[2] << 16 |
                                                        static_cast<std::uint32_t>(data[3]) << 24),
                             8);
  } else {
    Text kind = u"hex:";
    if (type != 3) {
      Text digits;
      for (std::uint32_t rest = type; digits.empty() || rest != 0; rest >>= 4) {
        digits.insert(digits.begin(), kDigits[rest & 0xF]);
      }
      kind = u"hex(" + digits + u"):";
    }
    text_ += kind;
    std::size_t column = start.size() + kind.size();
    for (std::size_t i = 0; i < data.size(); ++i) {
      text_ += Hex(data[i], 2);
      if (i + 1 == data.size()) break;
      text_ += u',';
      column += 3;
      if (column >= kHexColumns) {
        text_ += u"\\\r\n  ";
        column = 2;
      }
    }
  }
  text_ += u"\r\n";
}

std::string RegFileWriter::Finish() {
  text_ += u"\r\n";
  std::string bytes(2 + text_.size() * 2, '\0');
  bytes[0] = '\xFF';
  bytes[1] = '\xFE';
  for (std::size_t i = 0; i < text_.size(); ++i) {
    bytes[2 + 2 * i] = static_cast<char>(text_[i] & 0xFF);
    bytes[3 + 2 * i] = static_cast<char>(text_[i] >> 8);
  }
  return bytes;
}

}  // namespace cregistry
