#include "code_page.h"

#include "cp1252.h"

#ifdef _WIN32
#include "windows_text.h"
#else
#include <iconv.h>

#include <cerrno>
#include <memory>
#endif

namespace platform {
namespace {

bool HasUnpairedSurrogate(TextView text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      return true;
    }
  }
  return false;
}

#ifdef _WIN32
std::optional<std::string> EncodeJapanese(TextView text) {
  return WindowsEncode(kJapaneseCodePage, text);
}
Text DecodeJapanese(std::string_view bytes) { return WindowsDecode(kJapaneseCodePage, bytes); }
#else
// glibc's converter, used as Windows' own would be.
struct IconvCloser {
  void operator()(void* converter) const { iconv_close(static_cast<iconv_t>(converter)); }
};
using Converter = std::unique_ptr<void, IconvCloser>;

Converter Open(const char* to, const char* from) {
  const iconv_t converter = iconv_open(to, from);
  return Converter(converter == reinterpret_cast<iconv_t>(-1) ? nullptr : converter);
}

Text DecodeJapanese(std::string_view bytes) {
  const Converter converter = Open("UTF-16LE", "CP932");
  Text text;
  if (!converter) return text;
  char* in = const_cast<char*>(bytes.data());
  std::size_t inLeft = bytes.size();
  while (inLeft > 0) {
    char16_t units[64];
    char* out = reinterpret_cast<char*>(units);
    std::size_t outLeft = sizeof units;
    const std::size_t done =
        iconv(static_cast<iconv_t>(converter.get()), &in, &inLeft, &out, &outLeft);
    for (char16_t* unit = units; reinterpret_cast<char*>(unit) < out; ++unit) {
      const auto* b = reinterpret_cast<const unsigned char*>(unit);
      text += static_cast<char16_t>(b[0] | b[1] << 8);
    }
    if (done == static_cast<std::size_t>(-1) && errno != E2BIG) {
      text += u'\uFFFD';  // no character: go on after its first byte
      ++in;
      --inLeft;
    }
  }
  return text;
}

std::optional<std::string> EncodeJapanese(TextView text) {
  const Converter converter = Open("CP932", "UTF-16LE");
  if (!converter) return std::nullopt;
  std::string units;
  for (const char16_t c : text) {
    units += static_cast<char>(c & 0xFF);
    units += static_cast<char>(c >> 8);
  }
  std::string bytes(text.size() * 2, '\0');
  char* in = units.data();
  std::size_t inLeft = units.size();
  char* out = bytes.data();
  std::size_t outLeft = bytes.size();
  if (iconv(static_cast<iconv_t>(converter.get()), &in, &inLeft, &out, &outLeft) ==
      static_cast<std::size_t>(-1)) {
    return std::nullopt;
  }
  bytes.resize(bytes.size() - outLeft);
  // glibc maps a few characters many-to-one (the yen sign to 0x5C, a
  // backslash); only a text that comes back as itself is exact.
  if (DecodeJapanese(bytes) != text) return std::nullopt;
  return bytes;
}
#endif

}  // namespace

std::optional<std::string> EncodeCodePage(unsigned codePage, TextView text) {
  switch (codePage) {
    case kJapaneseCodePage:
      return EncodeJapanese(text);
    case kUtf8CodePage:
      if (HasUnpairedSurrogate(text)) return std::nullopt;
      return ToUtf8(text);
    default:
      return EncodeCp1252(text);
  }
}

Text DecodeCodePage(unsigned codePage, std::string_view bytes) {
  switch (codePage) {
    case kJapaneseCodePage:
      return DecodeJapanese(bytes);
    case kUtf8CodePage:
      return FromUtf8(bytes);
    default:
      return DecodeCp1252(bytes);
  }
}

unsigned MaxCharBytes(unsigned codePage) {
  switch (codePage) {
    case kJapaneseCodePage:
      return 2;
    case kUtf8CodePage:
      return 4;
    default:
      return 1;
  }
}

}  // namespace platform
