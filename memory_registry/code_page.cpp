#include "code_page.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <vector>

#include "cp1252.h"

namespace cregistry {
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

// Code page 932 as Windows' own converter has it, on every host.
namespace cp932 {
#include "cp932_tables.inc"
}  // namespace cp932

// The look-alikes of both code pages.
namespace best_fit {
#include "best_fit_tables.inc"
}  // namespace best_fit

// The look-alike of a character in the code page, or nothing.
template <std::size_t N>
std::optional<std::uint16_t> LookAlike(const std::uint16_t (&table)[N][2], char16_t c) {
  const auto* found =
      std::lower_bound(std::begin(table), std::end(table), c,
                       [](const std::uint16_t(&row)[2], char16_t key) { return row[0] < key; });
  if (found == std::end(table) || (*found)[0] != c) return std::nullopt;
  return (*found)[1];
}

constexpr std::uint16_t kNone = 0xFFFF;

// The position of each lead byte in cp932::kDouble, or -1.
const std::array<int, 256>& LeadIndex() {
  static const std::array<int, 256> index = [] {
    std::array<int, 256> table;
    table.fill(-1);
    for (std::size_t i = 0; i < std::size(cp932::kLeads); ++i) {
      table[cp932::kLeads[i]] = static_cast<int>(i);
    }
    return table;
  }();
  return index;
}

// The bytes of each character that the code page holds (one byte below
// 0x100, a lead and a trail byte above), or kNone.
const std::vector<std::uint16_t>& EncodingTable() {
  static const std::vector<std::uint16_t> table = [] {
    std::vector<std::uint16_t> bytes(0x10000, kNone);
    const auto& lead = LeadIndex();
    for (int b = 0; b < 256; ++b) {
      if (lead[b] < 0) bytes[cp932::kSingle[b]] = static_cast<std::uint16_t>(b);
    }
    for (const std::uint8_t first : cp932::kLeads) {
      for (int trail = 1; trail < 256; ++trail) {
        const std::uint16_t c = cp932::kDouble[lead[first]][trail];
        if (c != kNone && bytes[c] == kNone)
          bytes[c] = static_cast<std::uint16_t>(first << 8 | trail);
      }
    }
    // Where several pairs give a character, Windows encodes it with one.
    for (const auto& [c, pair] : cp932::kPreferred) bytes[c] = pair;
    return bytes;
  }();
  return table;
}

// The character of each pair of bytes that forms none.
constexpr char16_t kDefaultCharacter = 0x30FB;

// A lead byte takes the next byte as its trail. MultiByteToWideChar lets it
// stand alone before a NUL and at the end, as the default character; the
// runtime library's converter (runtimeLibrary) takes a NUL as its trail too,
// and turns a lead byte at the end into U+0000.
Text DecodeJapanese(std::string_view bytes, bool runtimeLibrary) {
  const auto& lead = LeadIndex();
  Text text;
  text.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (lead[b] < 0) {
      text += static_cast<char16_t>(cp932::kSingle[b]);
    } else if (i + 1 < bytes.size() && (runtimeLibrary || bytes[i + 1] != '\0')) {
      const std::uint16_t c = cp932::kDouble[lead[b]][static_cast<unsigned char>(bytes[++i])];
      text += c == kNone ? kDefaultCharacter : static_cast<char16_t>(c);
    } else {
      text += runtimeLibrary ? u'\0' : kDefaultCharacter;
    }
  }
  return text;
}

std::optional<std::string> EncodeJapanese(TextView text) {
  const auto& table = EncodingTable();
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (const char16_t c : text) {
    const std::uint16_t code = table[c];
    if (code == kNone) return std::nullopt;  // not held exactly: never substituted
    if (code > 0xFF) bytes += static_cast<char>(code >> 8);
    bytes += static_cast<char>(code & 0xFF);
  }
  return bytes;
}

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

std::string EncodeBestFit(unsigned codePage, TextView text) {
  if (auto exact = EncodeCodePage(codePage, text)) return *exact;
  if (codePage == kUtf8CodePage) return ToUtf8(text);  // U+FFFD for a lone surrogate
  std::string bytes;
  for (const char16_t c : text) {
    if (auto exact = EncodeCodePage(codePage, TextView(&c, 1))) {
      bytes += *exact;
      continue;
    }
    const auto fit = codePage == kJapaneseCodePage ? LookAlike(best_fit::kBestFit932, c)
                                                   : LookAlike(best_fit::kBestFit1252, c);
    if (fit && *fit > 0xFF) bytes += static_cast<char>(*fit >> 8);
    bytes += fit ? static_cast<char>(*fit & 0xFF) : '?';
  }
  return bytes;
}

Text DecodeCodePage(unsigned codePage, std::string_view bytes) {
  switch (codePage) {
    case kJapaneseCodePage:
      return DecodeJapanese(bytes, false);
    case kUtf8CodePage:
      return FromUtf8(bytes);
    default:
      return DecodeCp1252(bytes);
  }
}

Text DecodeRegistryAnsi(unsigned codePage, std::string_view bytes) {
  return codePage == kJapaneseCodePage ? DecodeJapanese(bytes, true)
                                       : DecodeCodePage(codePage, bytes);
}

std::size_t WholeCharacters(unsigned codePage, std::string_view bytes, std::size_t limit) {
  const auto& lead = LeadIndex();
  std::size_t end = 0;
  while (end < bytes.size()) {
    const auto b = static_cast<unsigned char>(bytes[end]);
    std::size_t length = 1;
    if (codePage == kJapaneseCodePage) {
      if (lead[b] >= 0 && end + 1 < bytes.size() && bytes[end + 1] != '\0') length = 2;
    } else if (codePage == kUtf8CodePage) {
      while (end + length < bytes.size() &&
             (static_cast<unsigned char>(bytes[end + length]) & 0xC0) == 0x80) {
        ++length;
      }
    }
    if (end + length > limit) break;
    end += length;
  }
  return std::min(end, limit);
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

}  // namespace cregistry
