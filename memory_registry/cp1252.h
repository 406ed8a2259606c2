// The Windows-1252 code page, used by the in-memory registry as its ANSI
// code page so that native runs convert text exactly as Windows does.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "cregistry/text.h"

namespace cregistry {

// UTF-16 to Windows-1252 bytes. Yields nothing when any character has no
// exact byte in the code page: nothing is substituted or mapped best-fit.
std::optional<std::string> EncodeCp1252(TextView text);

// Windows-1252 bytes to UTF-16. Every byte has a character; the five bytes
// the code page leaves undefined map to the C1 controls, as on Windows.
Text DecodeCp1252(std::string_view bytes);

}  // namespace cregistry
