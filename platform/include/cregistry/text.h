// Text as the system holds it: UTF-16 code units, the same on every build.
#pragma once

#include <cwchar>
#include <string>
#include <string_view>
#include <utility>

namespace cregistry {

using Text = std::u16string;
using TextView = std::u16string_view;

// A text that a member takes: UTF-16 in any of its forms and, on Windows,
// where wchar_t holds UTF-16, the wide strings of the Windows API (L"...",
// a path from GetModuleFileNameW), as they are.
class TextArg {
 public:
  TextArg(Text text) : text_(std::move(text)) {}
  TextArg(TextView text) : text_(text) {}
  TextArg(const char16_t* text) : text_(text) {}
#if WCHAR_MAX <= 0xFFFF
  TextArg(std::wstring_view text) : text_(text.begin(), text.end()) {}
  TextArg(const wchar_t* text) : TextArg(std::wstring_view(text)) {}
  TextArg(const std::wstring& text) : TextArg(std::wstring_view(text)) {}
#endif
  const Text& text() const { return text_; }

 private:
  Text text_;
};

// UTF-16 to UTF-8, for exception messages and test output. Unpaired
// surrogates become U+FFFD.
std::string ToUtf8(TextView text);

// UTF-8 to UTF-16. Malformed sequences become U+FFFD.
Text FromUtf8(std::string_view text);

// The name in upper case, for comparing key and value names without regard
// to case as Windows does: Latin (with the letters of Windows-1252), Greek,
// Cyrillic and the fullwidth Latin letters.
Text FoldCase(Text name);

// Text of a signed decimal number ("-2147483647").
Text DecimalText(long long number);

}  // namespace cregistry
