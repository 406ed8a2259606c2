// Reading a .reg file: the whole file checked before anything is applied.
#include <algorithm>
#include <array>
#include <optional>

#include "code_page.h"
#include "cregistry/reg_file_error.h"
#include "key_path.h"
#include "node.h"
#include "reg_file.h"

namespace cregistry {
namespace {

constexpr char16_t kVersion5[] = u"Windows Registry Editor Version 5.00";
constexpr char16_t kVersion4[] = u"REGEDIT4";

struct Root {
  const char16_t* name;
  const char16_t* shortName;
  std::int32_t hive;
};
constexpr std::array<Root, 5> kRoots = {{
    {u"HKEY_CLASSES_ROOT", u"HKCR", INT32_MIN},
    {u"HKEY_CURRENT_USER", u"HKCU", INT32_MIN + 1},
    {u"HKEY_LOCAL_MACHINE", u"HKLM", INT32_MIN + 2},
    {u"HKEY_USERS", u"HKU", INT32_MIN + 3},
    {u"HKEY_CURRENT_CONFIG", u"HKCC", INT32_MIN + 5},
}};

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

TextView TrimStart(TextView text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
}
TextView TrimEnd(TextView text) {
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool StartsWith(TextView text, TextView start) { return text.substr(0, start.size()) == start; }

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// The lines of a file, each decoded from the file's encoding when it is
// reached, with their numbers. A line ends at CR LF, LF or CR, as reg import
// reads them.
class Lines {
 public:
  Lines(std::string_view file, unsigned codePage) : file_(file), codePage_(codePage) {
    if (file.size() >= 2 && static_cast<unsigned char>(file[0]) == 0xFF &&
        static_cast<unsigned char>(file[1]) == 0xFE) {
      encoding_ = Encoding::kUtf16;
      at_ = 2;
    } else if (file.substr(0, 3) == "\xEF\xBB\xBF") {
      at_ = 3;
    } else {
      // Without a byte-order mark: REGEDIT4 in the code page, 5.00 in UTF-8.
      const auto start = file.find_first_not_of(" \t");
      if (start != std::string_view::npos && file.substr(start, 8) == "REGEDIT4") {
        encoding_ = Encoding::kCodePage;
      }
    }
  }

  // The next line, without its line break, valid until the next; nothing at
  // the end of the file.
  std::optional<TextView> Next() {
    if (at_ >= file_.size()) return std::nullopt;
    ++number_;
    if (encoding_ == Encoding::kUtf16) {
      line_.clear();
      for (; at_ + 1 < file_.size(); at_ += 2) {
        const auto c = static_cast<char16_t>(static_cast<unsigned char>(file_[at_]) |
                                             static_cast<unsigned char>(file_[at_ + 1]) << 8);
        if (c == u'\r' || c == u'\n') {
          at_ += c == u'\r' && Unit(at_ + 2) == u'\n' ? 4 : 2;
          return TextView(line_);
        }
        line_ += c;
      }
      if (at_ < file_.size()) {
        throw RegFileError(number_, "the UTF-16 file ends inside a character");
      }
      return TextView(line_);
    }
    const auto end = std::min(file_.find_first_of("\r\n", at_), file_.size());
    const auto bytes = file_.substr(at_, end - at_);
    at_ = end + (file_.substr(end, 2) == "\r\n" ? 2 : 1);
    line_ = encoding_ == Encoding::kCodePage ? DecodeCodePage(codePage_, bytes) : FromUtf8(bytes);
    return TextView(line_);
  }
  int Number() const { return number_; }

 private:
  // The UTF-16 unit at a byte offset, or U+0000 past the end.
  char16_t Unit(std::size_t at) const {
    return at + 1 < file_.size()
               ? static_cast<char16_t>(static_cast<unsigned char>(file_[at]) |
                                       static_cast<unsigned char>(file_[at + 1]) << 8)
               : u'\0';
  }

  enum class Encoding { kUtf16, kUtf8, kCodePage };
  std::string_view file_;
  unsigned codePage_;
  Encoding encoding_ = Encoding::kUtf8;
  std::size_t at_ = 0;
  int number_ = 0;
  Text line_;
};

// A comment line: reg import takes ; and # at the start of a line alike.
bool IsComment(TextView line) {
  return !line.empty() && (line.front() == u';' || line.front() == u'#');
}

class Reader {
 public:
  Reader(std::string_view file, unsigned codePage, const RegFileSink& sink)
      : lines_(file, codePage), codePage_(codePage), sink_(sink) {}

  void Read() {
    const auto header = lines_.Next();
    const TextView version = header ? TrimEnd(TrimStart(*header)) : TextView();
    if (version != kVersion5 && version != kVersion4) {
      // A file's name given for its text: say which call reads a file.
      const bool named = !lines_.Next() && version.size() > 4 &&
                         FoldCase(Text(version.substr(version.size() - 4))) == u".REG";
      Fail(std::string(
               R"(expected the header "Windows Registry Editor Version 5.00" or "REGEDIT4")") +
           (named ? " (ImportRegFile reads a file by its name)" : ""));
    }
    version4_ = version == kVersion4;
    while (const auto next = lines_.Next()) {
      line_ = lines_.Number();
      const TextView line = TrimStart(*next);
      if (line.empty() || IsComment(line)) continue;
      // reg import reads a line only up to a U+0000: a key's name, a value's
      // name or its data would be cut there.
      if (line.find(u'\0') != TextView::npos) Fail("a line holding U+0000, which reg import cuts");
      if (line.front() == u'[') {
        KeyLine(line.substr(1));
      } else if (line.front() == u'@' || line.front() == u'"') {
        ValueLine(line);
      } else {
        Fail(
            R"(expected a key ("[HKEY_...]"), a value ("name"=... or @=...), a comment or a blank line)");
      }
    }
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const { throw RegFileError(line_, what); }

  // Whatever follows data on its line: nothing, or a comment.
  void End(TextView rest, const char* after) const {
    rest = TrimStart(rest);
    if (!rest.empty() && rest.front() != u';') {
      Fail(std::string("expected the end of the line or a comment after ") + after);
    }
  }

  void KeyLine(TextView line) {
    const auto close = line.rfind(u']');
    if (close == TextView::npos) Fail("expected \"]\" at the end of the key's name");
    End(line.substr(close + 1), "the key's name");
    TextView name = line.substr(0, close);
    RegFileKey key;
    if (!name.empty() && name.front() == u'-') {
      key.remove = true;
      name.remove_prefix(1);
    }
    const auto slash = name.find(u'\\');
    const Text root = FoldCase(Text(name.substr(0, slash)));
    const auto found = std::find_if(kRoots.begin(), kRoots.end(), [&root](const Root& candidate) {
      return root == candidate.name || root == candidate.shortName;
    });
    if (found == kRoots.end()) {
      Fail("expected a root (HKEY_CURRENT_USER, HKCU, HKEY_LOCAL_MACHINE...) at the start of \"" +
           ToUtf8(name) + "\"");
    }
    key.hive = found->hive;
    if (slash != TextView::npos) key.levels = SplitPath(Text(name.substr(slash + 1)));
    for (const auto& level : key.levels) {
      if (level.size() > kLongestKeyName) {
        Fail("a key's name is longer than 255 characters: \"" + ToUtf8(level) + "\"");
      }
    }
    if (key.remove && key.levels.empty()) Fail("a root cannot be deleted");
    inKey_ = true;
    inDeletion_ = key.remove;
    if (const std::string wrong = sink_.key(key); !wrong.empty()) Fail(wrong);
  }

  // A text in double quotes, from just after its opening quote, with its
  // escapes (kRegFileEscapes). The rest of the line, after the quote.
  Text Quoted(TextView& text, const char* what) const {
    Text out;
    std::size_t i = 0;
    for (; i < text.size() && text[i] != u'"'; ++i) {
      if (text[i] != u'\\') {
        // The run up to the next quote or backslash, whole.
        const auto run = std::min(text.find_first_of(u"\"\\", i), text.size());
        out.append(text.substr(i, run - i));
        i = run - 1;
        continue;
      }
      if (++i == text.size()) break;
      const auto escape =
          std::find_if(std::begin(kRegFileEscapes), std::end(kRegFileEscapes),
                       [c = text[i]](const auto& candidate) { return candidate.first == c; });
      if (escape == std::end(kRegFileEscapes)) {
        Fail(std::string("unknown escape \"\\") + ToUtf8(Text(1, text[i])) + "\" in " + what);
      }
      if (escape->second == u'\0') {
        Fail(std::string("an escape \"\\0\" in ") + what + ", whose line reg import skips");
      }
      out += escape->second;
    }
    if (i >= text.size()) Fail(std::string("expected the closing quote of ") + what);
    text.remove_prefix(i + 1);
    return out;
  }

  void ValueLine(TextView line) {
    if (!inKey_) Fail("a value before any key");
    if (inDeletion_) Fail("a value in a key that the line before deletes");
    RegFileValue value;
    if (line.front() == u'@') {
      line.remove_prefix(1);
    } else {
      line.remove_prefix(1);
      value.name = Quoted(line, "the value's name");
      if (value.name.size() > kLongestValueName)
        Fail("a value's name is longer than 16383 characters");
    }
    line = TrimStart(line);
    if (line.empty() || line.front() != u'=') Fail("expected \"=\" after the value's name");
    line = TrimStart(line.substr(1));
    if (!line.empty() && line.front() == u'-') {
      End(line.substr(1), "\"-\"");
      value.remove = true;
    } else if (!line.empty() && line.front() == u'"') {
      line.remove_prefix(1);
      const Text text = Quoted(line, "the string");
      End(line, "the string");
      value.type = 1;
      value.data = Utf16Data(text);
      value.data.push_back(0);
      value.data.push_back(0);
    } else if (StartsWith(line, u"dword:")) {
      value.type = 4;
      value.data = Dword(TrimStart(line.substr(6)));
    } else if (StartsWith(line, u"hex:") || StartsWith(line, u"hex(")) {
      value.type = 3;
      line.remove_prefix(3);
      if (line.front() == u'(') {
        const auto close = line.find(u')');
        std::uint64_t type = 0;
        for (std::size_t i = 1; i < close && close != TextView::npos; ++i) {
          const int digit = HexDigit(line[i]);
          if (digit < 0 || type > 0xFFFFFFFu)
            Fail("expected the type in hex(...) as a hexadecimal number");
          type = type * 16 + static_cast<unsigned>(digit);
        }
        if (close == TextView::npos || close == 1 || line.substr(close, 2) != u"):") {
          Fail("expected hex(<type>): with the type a hexadecimal number");
        }
        value.type = static_cast<std::uint32_t>(type);
        line.remove_prefix(close + 1);
      }
      value.data = Bytes(line.substr(1));
      if (IsTextType(value.type)) Terminated(value.data);
    } else {
      Fail(R"(expected "-", a string in quotes, dword: or hex: after "=")");
    }
    if (const std::string wrong = sink_.value(std::move(value)); !wrong.empty()) Fail(wrong);
  }

  // A text given in hex, made what Windows stores: REGEDIT4 holds the code
  // page's texts, and a text that does not end with a NUL character gets
  // one (empty data stays empty).
  void Terminated(std::vector<std::uint8_t>& data) const {
    if (version4_) {
      data = Utf16Data(DecodeRegistryAnsi(
          codePage_, std::string_view(reinterpret_cast<const char*>(data.data()), data.size())));
    }
    const std::size_t size = data.size();
    if (size % 2 != 0 || (size > 0 && (data[size - 2] | data[size - 1]) != 0)) {
      data.insert(data.end(), {0, 0});
    }
  }

  std::vector<std::uint8_t> Dword(TextView text) const {
    std::uint32_t number = 0;
    std::size_t digits = 0;
    for (; digits < text.size() && HexDigit(text[digits]) >= 0; ++digits) {
      if (digits == 8) Fail("expected at most 8 hexadecimal digits after dword:");
      number = number << 4 | static_cast<std::uint32_t>(HexDigit(text[digits]));
    }
    if (digits == 0) Fail("expected hexadecimal digits after dword:");
    End(text.substr(digits), "the dword");
    return {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
            static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
  }

  // Bytes in hexadecimal separated by commas, as reg import reads them: a
  // line that ends with a comma and a backslash goes on on the next line
  // that is neither blank nor a ; comment (a # comment there drops the
  // value); a comma may end the data, and the file may too, after the
  // backslash.
  std::vector<std::uint8_t> Bytes(TextView text) {
    std::vector<std::uint8_t> bytes;
    const auto continued = [](TextView rest) {
      if (rest.empty() || rest.front() != u'\\') return false;
      rest = TrimStart(rest.substr(1));
      return rest.empty() || rest.front() == u';';
    };
    for (bool afterComma = true;;) {
      text = TrimStart(text);
      if (text.empty() || text.front() == u';') return bytes;
      if (afterComma && continued(text)) {
        std::optional<TextView> next;
        while ((next = lines_.Next()) &&
               (TrimStart(*next).empty() || TrimStart(*next).front() == u';')) {
        }
        if (!next) return bytes;
        line_ = lines_.Number();
        if (TrimStart(*next).front() == u'#')
          Fail("a # comment inside continued data, which drops the value");
        text = *next;
        continue;
      }
      if (!afterComma) {
        if (continued(text)) Fail("expected \",\" before the \"\\\" that goes on to the next line");
        if (text.front() != u',') Fail("expected \",\" between bytes");
        text.remove_prefix(1);
        afterComma = true;
        continue;
      }
      int value = 0;
      std::size_t digits = 0;
      for (; digits < text.size() && HexDigit(text[digits]) >= 0; ++digits) {
        if (digits == 2) Fail("expected bytes of two hexadecimal digits");
        value = value * 16 + HexDigit(text[digits]);
      }
      if (digits == 0) Fail("expected a byte in hexadecimal");
      bytes.push_back(static_cast<std::uint8_t>(value));
      text = text.substr(digits);
      afterComma = false;
    }
  }

  Lines lines_;
  unsigned codePage_;
  const RegFileSink& sink_;
  bool version4_ = false;
  bool inKey_ = false, inDeletion_ = false;
  int line_ = 1;
};

}  // namespace

void ReadRegFile(std::string_view file, unsigned codePage, const RegFileSink& sink) {
  Reader(file, codePage, sink).Read();
}

const char16_t* RegFileRootName(std::int32_t hive) {
  for (const auto& root : kRoots) {
    if (root.hive == hive) return root.name;
  }
  return nullptr;
}

}  // namespace cregistry
