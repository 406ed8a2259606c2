#include "key_path.h"

#include <algorithm>

namespace cregistry {

std::vector<Text> SplitPath(const Text& path) {
  std::vector<Text> levels;
  for (std::size_t at = 0; at < path.size();) {
    const auto end = std::min(path.find(u'\\', at), path.size());
    if (end > at) levels.emplace_back(path, at, end - at);
    at = end + 1;
  }
  return levels;
}

}  // namespace cregistry
