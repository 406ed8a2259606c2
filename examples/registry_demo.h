// What the example does with cRegistry, on whichever registry service it is
// given: writes a text and a number below HKEY_CURRENT_USER\Software\<name>
// (and a number in a sub-key), reads them back, lists the key's values and
// sub-keys, and unless asked to keep them, deletes what it wrote.
#pragma once

#include <ostream>

#include "cregistry/registry_service.h"

// Returns the program's exit code; reports a RegistryError on the stream.
int RunDemo(cregistry::RegistryService& service, const char16_t* name, bool keep,
            std::ostream& out);
