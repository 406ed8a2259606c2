// Text conversion by Windows itself, for a given code page (CP_ACP for the
// process's ANSI code page).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "cregistry/text.h"

namespace cregistry {

// UTF-16 to the code page. Nothing when the code page cannot hold the text
// exactly: no best-fit mapping, no default character, and the bytes must
// convert back to the same text.
std::optional<std::string> WindowsEncode(unsigned codePage, TextView text);

// The code page back to UTF-16.
Text WindowsDecode(unsigned codePage, std::string_view bytes);

}  // namespace cregistry
