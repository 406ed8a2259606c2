// The application icon: one 32 x 32 image, 24 bits per pixel with a 1-bit
// transparency mask, as an .ico file of 3,262 bytes.
#pragma once

#include <cstdint>
#include <vector>

std::vector<std::uint8_t> MakeResetIcon();
