#include "key_path.h"

namespace cregistry {

std::vector<Text> SplitPath(const Text& path) {
  std::vector<Text> levels;
  Text level;
  for (const char16_t c : path) {
    if (c == u'\\') {
      if (!level.empty()) levels.push_back(level);
      level.clear();
    } else {
      level += c;
    }
  }
  if (!level.empty()) levels.push_back(level);
  return levels;
}

}  // namespace cregistry
