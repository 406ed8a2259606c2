// The example on Windows' own registry (advapi32).
// Usage: registry_example [--keep]
#include <cstring>
#include <iostream>

#include "cregistry/win32_registry.h"
#include "registry_demo.h"

int main(int argc, char** argv) {
  cregistry::Win32Registry service;
  return RunDemo(service, u"registry_example", argc > 1 && std::strcmp(argv[1], "--keep") == 0,
                 std::cout);
}
