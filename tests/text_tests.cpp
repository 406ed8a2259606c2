// The code pages of the in-memory registry (1252, 932) and UTF-8 output.
#include <gtest/gtest.h>

#include "code_page.h"
#include "cp1252.h"
#include "cregistry/text.h"
#ifdef _WIN32
#include "windows_text.h"
#endif
#include "test_support.h"

namespace {

using namespace cregistry;

using cregistry::DecodeCp1252;
using cregistry::EncodeCp1252;
using cregistry::Text;

struct CodePageRow {
  Text text;
  std::optional<std::string> bytes;  // nothing: refused
};

TEST(Cp1252, EncodesExactlyOrRefuses) {
  const CodePageRow rows[] = {
      {u"", std::string()},
      {u"abc", std::string("abc")},
      {u"perch\u00e9 citt\u00e0 pi\u00f9 cos\u00ec \u00f2",
       std::string("perch\xe9 citt\xe0 pi\xf9 cos\xec \xf2")},
      {u"\u00c8", std::string("\xc8")},
      {u"\u20ac 5", std::string("\x80 5")},
      {u"\u0178\u0153\u2122", std::string("\x9f\x9c\x99")},
      {Text(u"a\0b", 3), std::string("a\0b", 3)},
      {u"C:\uFF3CWindows", std::nullopt},  // fullwidth backslash, never '\'
      {u"\u4e2d", std::nullopt},
      {u"\u0100", std::nullopt},
      {u"\xD83D\xDE00", std::nullopt},  // a character beyond the BMP
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(cregistry::ToUtf8(row.text));
    EXPECT_EQ(EncodeCp1252(row.text), row.bytes);
  }
}

TEST(Cp1252, EveryByteDecodesAndEncodesBack) {
  for (int b = 0; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    const Text text = DecodeCp1252(byte);
    ASSERT_EQ(text.size(), 1u);
    EXPECT_EQ(EncodeCp1252(text), byte) << "byte " << b;
  }
  // Bytes 0x80 to 0x9F as Windows maps them, the five it leaves undefined
  // to the C1 controls.
  std::string high;
  for (int b = 0x80; b < 0xA0; ++b) high += static_cast<char>(b);
  EXPECT_EQ(DecodeCp1252(high),
            u"\u20ac\u0081\u201a\u0192\u201e\u2026\u2020\u2021\u02c6\u2030\u0160\u2039\u0152\u008d"
            u"\u017d\u008f\u0090\u2018\u2019\u201c\u201d\u2022\u2013\u2014\u02dc\u2122\u0161\u203a"
            u"\u0153\u009d\u017e\u0178");
#ifdef _WIN32
  // And every byte as Windows itself decodes it.
  for (int b = 0; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    EXPECT_EQ(DecodeCp1252(byte), cregistry::WindowsDecode(1252, byte)) << "byte " << b;
  }
#endif
}

TEST(Cp932, ConvertsAsWindowsWhereBytesFormNoCharacter) {
  struct Row {
    std::string bytes;
    Text text;
  };
  const Row decodings[] = {
      {"\x93\xfa\x96\x7b", u"\u65e5\u672c"},
      {"\x81\x5f", u"\uFF3C"},  // the fullwidth backslash; 0x5F is no backslash
      {"\x81\x20", u"\u30FB"},  // a pair without a character: the default
      {"\x81", u"\u30FB"},      // a lead byte at the end
      {std::string("\x81\0a", 3), Text(u"\u30FB\0a", 3)},  // a NUL is no trail byte
      {"\x80\xa0\xfd\xfe\xff", u"\u0080\uF8F0\uF8F1\uF8F2\uF8F3"},
      {"\xa1\xdf", u"\uFF61\uFF9F"},          // halfwidth katakana
      {"\x87\x54\xfa\x4a", u"\u2160\u2160"},  // two pairs, one character
  };
  for (const auto& row : decodings) {
    SCOPED_TRACE(row.bytes);
    EXPECT_EQ(cregistry::DecodeCodePage(932, row.bytes), row.text);
  }
  const CodePageRow encodings[] = {
      {u"\u0080\uF8F0\uF8F3", std::string("\x80\xa0\xff")},
      {u"\u30FB", std::string("\x81\x45")},
      {u"\u2160", std::string("\x87\x54")},  // the pair Windows chooses
      {u"\u00a5", std::nullopt},             // only a look-alike: the backslash
      {u"\u00e8", std::nullopt},
      {Text(1, u'\xD800'), std::nullopt},
  };
  for (const auto& row : encodings) {
    SCOPED_TRACE(cregistry::ToUtf8(row.text));
    EXPECT_EQ(cregistry::EncodeCodePage(932, row.text), row.bytes);
  }
}

#ifdef _WIN32
TEST(StandInCodePages, ConvertEveryByteEveryPairAndEveryUnitAsWindows) {
  for (const unsigned codePage : {1252u, 932u}) {
    SCOPED_TRACE(codePage);
    int differences = 0;
    for (int first = 0; first < 256; ++first) {
      std::string bytes(1, static_cast<char>(first));
      if (cregistry::DecodeCodePage(codePage, bytes) != cregistry::WindowsDecode(codePage, bytes)) {
        ++differences;
      }
      if (first < 0x80) continue;
      for (int second = 0; second < 256; ++second) {
        bytes = {static_cast<char>(first), static_cast<char>(second)};
        if (cregistry::DecodeCodePage(codePage, bytes) !=
            cregistry::WindowsDecode(codePage, bytes)) {
          ++differences;
        }
      }
    }
    for (int unit = 0; unit < 0x10000; ++unit) {
      const Text text(1, static_cast<char16_t>(unit));
      if (cregistry::EncodeCodePage(codePage, text) != cregistry::WindowsEncode(codePage, text)) {
        ++differences;
      }
    }
    EXPECT_EQ(differences, 0);
  }
}
#endif

TEST(Utf8, ConvertsBothWays) {
  const Text samples[] = {u"", u"abc", u"\u00e8\u20ac", u"\xD83D\xDE00", Text(u"a\0b", 3)};
  for (const auto& sample : samples) {
    EXPECT_EQ(cregistry::FromUtf8(cregistry::ToUtf8(sample)), sample);
  }
  EXPECT_EQ(cregistry::ToUtf8(u"\u00e8"), "\xc3\xa8");
  EXPECT_EQ(cregistry::ToUtf8(Text(1, u'\xD800')), "\xef\xbf\xbd");
  EXPECT_EQ(cregistry::FromUtf8("\xff"), u"\uFFFD");
  EXPECT_EQ(cregistry::FromUtf8("\xc0\x80"), u"\uFFFD\uFFFD");  // overlong
  EXPECT_EQ(cregistry::FromUtf8("\xe2\x82"), u"\uFFFD\uFFFD");  // cut short
}

TEST(DecimalText, WritesSignedNumbers) {
  EXPECT_EQ(cregistry::DecimalText(-2147483647), u"-2147483647");
  EXPECT_EQ(cregistry::DecimalText(0), u"0");
  EXPECT_EQ(cregistry::DecimalText(42), u"42");
}

}  // namespace
