// UTF-16 to each code page of the in-memory registry and back: what encodes
// decodes to itself (nothing is ever substituted), and in Windows-1252 every
// byte string decodes and encodes back unchanged.
#include <cstdlib>

#include "code_page.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  cregistry::Text text(size / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  }
  const std::string raw(reinterpret_cast<const char*>(data), size);
  for (const unsigned codePage : {1252u, 932u, 65001u}) {
    if (const auto bytes = cregistry::EncodeCodePage(codePage, text)) {
      if (cregistry::DecodeCodePage(codePage, *bytes) != text) std::abort();
      if (bytes->size() > text.size() * cregistry::MaxCharBytes(codePage)) std::abort();
    }
    (void)cregistry::DecodeCodePage(codePage, raw);
  }
  // A fullwidth backslash never becomes a backslash in 1252.
  if (const auto bytes = cregistry::EncodeCodePage(1252, text)) {
    for (std::size_t i = 0; i < text.size(); ++i) {
      if ((*bytes)[i] == '\\' && text[i] != u'\\') std::abort();
    }
  }
  if (cregistry::EncodeCodePage(1252, cregistry::DecodeCodePage(1252, raw)) != raw) std::abort();
  if (cregistry::FromUtf8(cregistry::ToUtf8(text)).size() > text.size()) std::abort();
  return 0;
}
