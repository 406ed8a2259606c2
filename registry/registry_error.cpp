#include "cregistry/registry_error.h"

#include "cregistry/process_name.h"

namespace cregistry {

namespace {

constexpr char16_t kProjectName[] = u"Project1";

Text GenericDescription(std::int32_t number) {
  switch (number) {
    case error_number::kSubscriptOutOfRange:
      return u"Subscript out of range";
    default:
      return u"Application-defined or object-defined error";
  }
}

}  // namespace

RegistryError::RegistryError(std::int32_t number, Text source, Text description,
                             std::int32_t serviceStatus)
    : std::runtime_error(ToUtf8(description)),
      Number(number),
      Source(std::move(source)),
      Description(std::move(description)),
      ServiceStatus(serviceStatus) {}

RegistryError RegistryError::Raise(std::int32_t number, Text description,
                                   std::int32_t serviceStatus) {
  return RegistryError(number, RegistrySource(), std::move(description), serviceStatus);
}

RegistryError RegistryError::RaiseNumber(std::int32_t number) {
  return RegistryError(number, kProjectName, GenericDescription(number));
}

Text RegistrySource() {
  Text name = ExecutableBaseName();
  if (name.empty()) name = kProjectName;
  return name + u".cRegistry";
}

}  // namespace cregistry
