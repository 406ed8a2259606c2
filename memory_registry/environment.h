// The expansion of %NAME% references in a text, as ExpandEnvironmentStrings
// does it.
#pragma once

#include <functional>
#include <string>

namespace cregistry {

// The value of a variable, or null when it has none.
using VariableLookup = std::function<const std::string*(const std::string& name)>;

// The text with each %NAME% whose variable has a value replaced by it. A
// reference to a variable without a value stays as written, and its closing
// "%" may open the next reference; a "%" without a partner stays too.
std::string ExpandReferences(const std::string& text, const VariableLookup& lookup);

}  // namespace cregistry
