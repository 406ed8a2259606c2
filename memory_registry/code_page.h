// The ANSI code pages that the in-memory registry can speak, converted as
// Windows converts them on every host: Windows-1252 (Western European, the
// default), 932 (Japanese, two bytes a character; Windows' own tables) and
// 65001 (UTF-8, up to three bytes a UTF-16 unit).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "cregistry/text.h"

namespace cregistry {

constexpr unsigned kWesternCodePage = 1252;
constexpr unsigned kJapaneseCodePage = 932;
constexpr unsigned kUtf8CodePage = 65001;

// UTF-16 to the code page's bytes. Nothing when the code page cannot hold the
// text exactly: a character outside it, one it would only map to a
// look-alike (the yen sign to a backslash in 932: no best fit), an unpaired
// surrogate.
std::optional<std::string> EncodeCodePage(unsigned codePage, TextView text);

// UTF-16 to the code page's bytes as the registry's ANSI calls hand names and
// texts out: a character the code page lacks becomes its look-alike (the
// best fit of Windows' own tables: Ł is L, the fullwidth backslash \) or,
// with none, "?"; in UTF-8 an unpaired surrogate becomes U+FFFD.
std::string EncodeBestFit(unsigned codePage, TextView text);

// The code page's bytes to UTF-16, as MultiByteToWideChar gives them: in 932
// a pair or a lone lead byte that forms no character becomes the default
// character U+30FB; in UTF-8 a malformed sequence U+FFFD; in 1252 every byte
// is a character.
Text DecodeCodePage(unsigned codePage, std::string_view bytes);

// The code page's bytes to UTF-16 as the registry's ANSI calls convert names
// and text data (the runtime library's converter, not MultiByteToWideChar):
// in 932 a lead byte takes the next byte as its trail whatever it is, a NUL
// too (a pair that forms no character is U+30FB), and a lead byte at the
// very end becomes U+0000.
Text DecodeRegistryAnsi(unsigned codePage, std::string_view bytes);

// The length of the longest start of bytes, at most limit long, that holds
// whole characters only: where a text is cut to a buffer, no character is
// cut in two.
std::size_t WholeCharacters(unsigned codePage, std::string_view bytes, std::size_t limit);

// The most bytes one character takes in the code page, as Windows reports it
// (GetCPInfo's MaxCharSize): 1, 2 and 4.
unsigned MaxCharBytes(unsigned codePage);

}  // namespace cregistry
