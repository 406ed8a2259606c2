// The application icon: its format, and that the committed file is exactly
// what the generator makes.
#include <fstream>
#include <iterator>

#include "reset_icon.h"
#include "test_support.h"

namespace {

unsigned Le(const std::vector<std::uint8_t>& bytes, std::size_t at, int count) {
  unsigned value = 0;
  for (int i = count - 1; i >= 0; --i) value = (value << 8) | bytes[at + i];
  return value;
}

TEST(ApplicationIcon, IsOne32By32ImageOf24BitsWithAMask) {
  const auto icon = MakeResetIcon();
  ASSERT_EQ(icon.size(), 3262u);
  EXPECT_EQ(Le(icon, 0, 2), 0u);    // reserved
  EXPECT_EQ(Le(icon, 2, 2), 1u);    // an icon
  EXPECT_EQ(Le(icon, 4, 2), 1u);    // one image
  EXPECT_EQ(icon[6], 32);           // width
  EXPECT_EQ(icon[7], 32);           // height
  EXPECT_EQ(Le(icon, 12, 2), 24u);  // bits per pixel
  EXPECT_EQ(Le(icon, 14, 4), 3240u);
  EXPECT_EQ(Le(icon, 18, 4), 22u);
  EXPECT_EQ(Le(icon, 22, 4), 40u);  // BITMAPINFOHEADER
  EXPECT_EQ(Le(icon, 26, 4), 32u);
  EXPECT_EQ(Le(icon, 30, 4), 64u);  // colour and mask
  EXPECT_EQ(Le(icon, 36, 2), 24u);
  // The corners are transparent, the middle of the tile is not.
  const std::size_t mask = 22 + 40 + 32 * 32 * 3;
  EXPECT_EQ(icon[mask] & 0x80, 0x80);            // bottom-left pixel
  EXPECT_EQ(icon[mask + 16 * 4 + 1] & 0x80, 0);  // row 16, column 8
}

TEST(ApplicationIcon, TheCommittedFileIsTheGeneratorsOutput) {
  std::ifstream file(RPV_ICON_FILE, std::ios::binary);
  ASSERT_TRUE(file) << RPV_ICON_FILE;
  const std::vector<std::uint8_t> committed{std::istreambuf_iterator<char>(file), {}};
  EXPECT_EQ(committed, MakeResetIcon()) << "run make_icon app/ResetParametriVelto.ico";
}

}  // namespace
