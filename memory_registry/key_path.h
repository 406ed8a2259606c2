// Key paths as the registry splits them; names compare with FoldCase.
#pragma once

#include <vector>

#include "cregistry/text.h"

namespace cregistry {

// The levels of a key path, separated by backslashes; empty levels (a
// doubled or trailing backslash) are dropped.
std::vector<Text> SplitPath(const Text& path);

}  // namespace cregistry
