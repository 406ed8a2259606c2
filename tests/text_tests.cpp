// The Windows-1252 code page of the in-memory registry and UTF-8 output.
#include <gtest/gtest.h>

#include "platform/cp1252.h"
#include "platform/text.h"
#include "tests/test_support.h"

namespace {

using platform::DecodeCp1252;
using platform::EncodeCp1252;
using platform::Text;

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
    SCOPED_TRACE(platform::ToUtf8(row.text));
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
  EXPECT_EQ(DecodeCp1252("\x80\x8a\xe8"), u"\u20ac\u0160\u00e8");
}

TEST(Utf8, ConvertsBothWays) {
  const Text samples[] = {u"", u"abc", u"\u00e8\u20ac", u"\xD83D\xDE00", Text(u"a\0b", 3)};
  for (const auto& sample : samples) {
    EXPECT_EQ(platform::FromUtf8(platform::ToUtf8(sample)), sample);
  }
  EXPECT_EQ(platform::ToUtf8(u"\u00e8"), "\xc3\xa8");
  EXPECT_EQ(platform::ToUtf8(Text(1, u'\xD800')), "\xef\xbf\xbd");
  EXPECT_EQ(platform::FromUtf8("\xff"), u"\uFFFD");
  EXPECT_EQ(platform::FromUtf8("\xc0\x80"), u"\uFFFD\uFFFD");  // overlong
  EXPECT_EQ(platform::FromUtf8("\xe2\x82"), u"\uFFFD\uFFFD");  // cut short
}

TEST(DecimalText, WritesSignedNumbers) {
  EXPECT_EQ(platform::DecimalText(-2147483647), u"-2147483647");
  EXPECT_EQ(platform::DecimalText(0), u"0");
  EXPECT_EQ(platform::DecimalText(42), u"42");
}

}  // namespace
