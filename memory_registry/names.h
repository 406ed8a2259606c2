// Key and value names as the registry compares and splits them.
#pragma once

#include <vector>

#include "cregistry/text.h"

namespace cregistry {

// The name in upper case, for comparing names without regard to case as
// Windows does: Latin (with the letters of Windows-1252), Greek, Cyrillic
// and the fullwidth Latin letters.
Text Fold(Text name);

// The levels of a key path, separated by backslashes; empty levels (a
// doubled or trailing backslash) are dropped.
std::vector<Text> SplitPath(const Text& path);

}  // namespace cregistry
