// cRegistry in a file that includes <windows.h> first.
#include <windows.h>

#include "registry/cregistry.h"

#define RPV_WINDOWS_SUITE WindowsHeaderFirst
#include "tests/windows_header_checks.inc"
