// The variant value: its kinds, its text form, its copies and what it
// takes.
#include <cwchar>
#include <limits>
#include <type_traits>

#include "cregistry/variant.h"
#include "test_support.h"

namespace {

using namespace cregistry;

TEST(Variant, WritesEachKindAsText) {
  struct Row {
    Variant value;
    cregistry::Text text;
  };
  const Row rows[] = {
    {Variant(), u""},
    {Variant(std::int16_t{-1}), u"-1"},
    {Variant(std::int32_t{42}), u"42"},
    {Variant(INT32_MIN), u"-2147483648"},
    {Variant(u"abc"), u"abc"},
    {Variant(1.5), u"1.5"},
    {Variant(0.1), u"0.1"},
    {Variant(-2.0), u"-2"},
    {Variant(1e20), u"1E+20"},
    {Variant(std::numeric_limits<double>::infinity()), u"Infinity"},
    {Variant(-std::numeric_limits<double>::infinity()), u"-Infinity"},
    {Variant(std::numeric_limits<double>::quiet_NaN()), u"NaN"},
    {Variant(-std::numeric_limits<double>::quiet_NaN()), u"NaN"},
    {Variant(true), u"True"},
    {Variant(false), u"False"},
    {Variant(ByteArray{1, {0x0A, 0xFF, 0x10}}), u"0A FF 10"},
    {Variant(ByteArray{0, {}}), u""},
    // Integers of Windows' types keep their 32 bits; pointers to UTF-16
    // are texts.
    {Variant(0xFFFFFFFFu), u"-1"},
    {Variant(static_cast<unsigned short>(65535)), u"65535"},
    {Variant(static_cast<signed char>(-5)), u"-5"},
    {Variant(static_cast<const char16_t*>(u"Hello")), u"Hello"},
#if WCHAR_MAX <= 0xFFFF
    {Variant(L"Hello"), u"Hello"},
    {Variant(std::wstring(L"citt\u00e0").c_str()), u"citt\u00e0"},
    {Variant(0xFFFFFFFFul), u"-1"},  // a DWORD
    {Variant(-1L), u"-1"},           // a LONG
#endif
  };
  for (const auto& row : rows) {
    EXPECT_EQ(row.value.ToText(), row.text);
  }
}

// No pointer becomes a Boolean: a char pointer, whose encoding is unknown,
// and every other pointer that is no UTF-16 text are refused.
static_assert(!std::is_constructible_v<Variant, const char*>);
static_assert(!std::is_constructible_v<Variant, char*>);
static_assert(!std::is_constructible_v<Variant, const int*>);
static_assert(!std::is_constructible_v<Variant, const void*>);
static_assert(!std::is_constructible_v<Variant, Variant*>);
static_assert(std::is_constructible_v<Variant, const char16_t*>);
static_assert(std::is_constructible_v<Variant, const wchar_t*> == (WCHAR_MAX <= 0xFFFF));
static_assert(!std::is_constructible_v<Variant, std::int64_t>);  // more than 32 bits

TEST(Variant, KeepsItsOwnCopy) {
  ByteArray bytes{0, {1, 2, 3}};
  Variant held(bytes);
  bytes.Bytes[0] = 9;
  ASSERT_NE(held.AsBytes(), nullptr);
  EXPECT_EQ(held.AsBytes()->Bytes, (std::vector<std::uint8_t>{1, 2, 3}));
  Variant copy = held;
  EXPECT_EQ(copy, held);
  EXPECT_NE(copy.AsBytes(), held.AsBytes());
}

TEST(Variant, ReportsKindAndBounds) {
  EXPECT_TRUE(Variant().IsEmpty());
  EXPECT_EQ(Variant(std::int16_t{1}).kind(), Variant::Kind::kInteger);
  EXPECT_EQ(Variant(1).kind(), Variant::Kind::kLong);
  EXPECT_EQ(Variant(1u).kind(), Variant::Kind::kLong);
  EXPECT_EQ(Variant(true).kind(), Variant::Kind::kBoolean);
  EXPECT_EQ(Variant(u"").kind(), Variant::Kind::kText);
  EXPECT_EQ((ByteArray{1, {10, 20, 30}}.UpperBound()), 3);
  EXPECT_EQ((ByteArray{5, {}}.UpperBound()), 4);
  EXPECT_NE(Variant(1), Variant(std::int16_t{1}));  // different kinds
  EXPECT_NE((ByteArray{0, {1}}), (ByteArray{0, {2}}));
}

}  // namespace
