// cRegistry in a file that includes <windows.h> after it.
#include "registry/cregistry.h"

#include <windows.h>

#define RPV_WINDOWS_SUITE WindowsHeaderLast
#include "tests/windows_header_checks.inc"
