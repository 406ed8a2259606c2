// The variant value: its kinds, its text form and its copies.
#include <limits>

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
  };
  for (const auto& row : rows) {
    EXPECT_EQ(row.value.ToText(), row.text);
  }
}

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
  EXPECT_EQ(Variant(u"").kind(), Variant::Kind::kText);
  EXPECT_EQ((ByteArray{1, {10, 20, 30}}.UpperBound()), 3);
  EXPECT_EQ((ByteArray{5, {}}.UpperBound()), 4);
  EXPECT_NE(Variant(1), Variant(std::int16_t{1}));  // different kinds
}

}  // namespace
