// The running program's own file name, read at run time.
#pragma once

#include "cregistry/text.h"

namespace cregistry {

// The executable's file name without its folder and its extension
// ("ResetParametriVelto" for ResetParametriVelto.exe); empty if unknown.
Text ExecutableBaseName();

}  // namespace cregistry
