// The same example on the in-memory registry: it runs on any machine, as a
// unit test of registry code would.
#include <iostream>

#include "cregistry/memory_registry.h"
#include "registry_demo.h"

int main() {
  cregistry::MemoryRegistry service;
  return RunDemo(service, u"registry_example", false, std::cout);
}
