// Key paths as the registry splits them; names compare with FoldCase.
#pragma once

#include <vector>

#include "cregistry/text.h"

namespace cregistry {

// The longest names Windows keeps, in UTF-16 units.
constexpr std::size_t kLongestKeyName = 255;
constexpr std::size_t kLongestValueName = 16383;

// The levels of a key path, separated by backslashes; empty levels (a
// doubled or trailing backslash) are dropped.
std::vector<Text> SplitPath(const Text& path);

}  // namespace cregistry
