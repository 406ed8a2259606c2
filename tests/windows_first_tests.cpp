// cRegistry in a file that includes <windows.h> first.
#include <windows.h>

#include "cregistry/cregistry.h"

#define RPV_WINDOWS_SUITE WindowsHeaderFirst
#include "windows_header_checks.inc"
