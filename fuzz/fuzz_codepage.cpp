// UTF-16 to each code page of the in-memory registry and back: what encodes
// decodes to itself (nothing is ever substituted), and in Windows-1252 every
// byte string decodes and encodes back unchanged.
#include <cstdlib>

#include "code_page.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  platform::Text text(size / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  }
  const std::string raw(reinterpret_cast<const char*>(data), size);
  for (const unsigned codePage : {1252u, 932u, 65001u}) {
    if (const auto bytes = platform::EncodeCodePage(codePage, text)) {
      if (platform::DecodeCodePage(codePage, *bytes) != text) std::abort();
      if (bytes->size() > text.size() * platform::MaxCharBytes(codePage)) std::abort();
    }
    (void)platform::DecodeCodePage(codePage, raw);
  }
  // A fullwidth backslash never becomes a backslash in 1252.
  if (const auto bytes = platform::EncodeCodePage(1252, text)) {
    for (std::size_t i = 0; i < text.size(); ++i) {
      if ((*bytes)[i] == '\\' && text[i] != u'\\') std::abort();
    }
  }
  if (platform::EncodeCodePage(1252, platform::DecodeCodePage(1252, raw)) != raw) std::abort();
  if (platform::FromUtf8(platform::ToUtf8(text)).size() > text.size()) std::abort();
  return 0;
}
