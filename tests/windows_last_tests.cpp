// cRegistry in a file that includes <windows.h> after it.
#include "cregistry/cregistry.h"

#include <windows.h>

#define RPV_WINDOWS_SUITE WindowsHeaderLast
#include "windows_header_checks.inc"
