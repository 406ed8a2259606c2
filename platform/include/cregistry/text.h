// Text as the system holds it: UTF-16 code units, the same on every build.
#pragma once

#include <string>
#include <string_view>

namespace cregistry {

using Text = std::u16string;
using TextView = std::u16string_view;

// UTF-16 to UTF-8, for exception messages and test output. Unpaired
// surrogates become U+FFFD.
std::string ToUtf8(TextView text);

// UTF-8 to UTF-16. Malformed sequences become U+FFFD.
Text FromUtf8(std::string_view text);

// Text of a signed decimal number ("-2147483647").
Text DecimalText(long long number);

}  // namespace cregistry
