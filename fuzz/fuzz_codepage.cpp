// UTF-16 to Windows-1252 and back: what encodes decodes to itself, and every
// byte string decodes and encodes back unchanged.
#include <cstdlib>

#include "platform/cp1252.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  platform::Text text(size / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  }
  if (const auto bytes = platform::EncodeCp1252(text)) {
    if (bytes->size() != text.size() || platform::DecodeCp1252(*bytes) != text) std::abort();
    // A fullwidth backslash never becomes a backslash.
    for (std::size_t i = 0; i < text.size(); ++i) {
      if ((*bytes)[i] == '\\' && text[i] != u'\\') std::abort();
    }
  }
  const std::string raw(reinterpret_cast<const char*>(data), size);
  if (platform::EncodeCp1252(platform::DecodeCp1252(raw)) != raw) std::abort();
  (void)platform::FromUtf8(raw);
  if (platform::FromUtf8(platform::ToUtf8(text)).size() > text.size()) std::abort();
  return 0;
}
