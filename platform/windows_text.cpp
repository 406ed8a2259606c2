#include "windows_text.h"

#include <windows.h>

#include <algorithm>
#include <climits>

namespace cregistry {

namespace {

// Every ANSI code page of Windows holds ASCII as ASCII, so such text needs no
// conversion at all.
bool IsAscii(TextView text) {
  return std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x80; });
}
bool IsAscii(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

std::optional<std::string> WindowsEncode(unsigned codePage, TextView text) {
  if (IsAscii(text)) return std::string(text.begin(), text.end());
  if (text.size() > static_cast<std::size_t>(INT_MAX / 4)) return std::nullopt;
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int length = static_cast<int>(text.size());
  // UTF-8 takes neither the best-fit flag nor the substitution report;
  // invalid UTF-16 is refused there instead, with WC_ERR_INVALID_CHARS
  // (Windows Vista's, which the headers for Windows XP hide: an ANSI code
  // page of UTF-8 came with Windows 10).
  constexpr DWORD kRefuseInvalid = 0x80;
  const bool utf8 = codePage == CP_UTF8 || (codePage == CP_ACP && GetACP() == CP_UTF8);
  const DWORD flags = utf8 ? kRefuseInvalid : WC_NO_BEST_FIT_CHARS;
  BOOL substituted = FALSE;
  BOOL* report = utf8 ? nullptr : &substituted;
  const int needed =
      WideCharToMultiByte(codePage, flags, wide, length, nullptr, 0, nullptr, report);
  if (needed <= 0 || substituted) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(needed), '\0');
  if (WideCharToMultiByte(codePage, flags, wide, length, bytes.data(), needed, nullptr, report) !=
          needed ||
      substituted) {
    return std::nullopt;
  }
  // A character that the code page maps without reporting a substitution
  // must still come back as itself.
  if (WindowsDecode(codePage, bytes) != text) return std::nullopt;
  return bytes;
}

Text WindowsDecode(unsigned codePage, std::string_view bytes) {
  if (IsAscii(bytes)) return Text(bytes.begin(), bytes.end());
  if (bytes.size() > static_cast<std::size_t>(INT_MAX)) return Text();
  const int length = static_cast<int>(bytes.size());
  const int needed = MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
  if (needed <= 0) return Text();
  Text text(static_cast<std::size_t>(needed), u'\0');
  MultiByteToWideChar(codePage, 0, bytes.data(), length, reinterpret_cast<wchar_t*>(text.data()),
                      needed);
  return text;
}

}  // namespace cregistry
