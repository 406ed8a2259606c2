#include "environment.h"

namespace cregistry {

std::string ExpandReferences(const std::string& text, const VariableLookup& lookup) {
  std::string expanded;
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t close = text[i] == '%' ? text.find('%', i + 1) : std::string::npos;
    if (close == std::string::npos) {
      expanded += text[i++];
      continue;
    }
    if (const std::string* value = lookup(text.substr(i + 1, close - i - 1))) {
      expanded += *value;
      i = close + 1;
    } else {
      expanded += text.substr(i, close - i);  // the second % starts anew
      i = close;
    }
  }
  return expanded;
}

}  // namespace cregistry
