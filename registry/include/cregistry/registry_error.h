// The error the registry class raises: a number, a source and a description.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "cregistry/text.h"

namespace cregistry {

namespace error_number {
// Object errors are numbered from this base, as the class has always done.
constexpr std::int32_t kObjectErrorBase = static_cast<std::int32_t>(0x80040000u);
constexpr std::int32_t kSubscriptOutOfRange = 9;
constexpr std::int32_t kRegistryFailure = 26001;  // key creation, deletion
constexpr std::int32_t kSetValueFailed = kObjectErrorBase + 1048 + 26001;
constexpr std::int32_t kEnumerateSectionsFailed = kObjectErrorBase + 1048 + 26002;
constexpr std::int32_t kBadAssociationList = kObjectErrorBase + 1048 + 26004;
constexpr std::int32_t kClassNotDefined = kObjectErrorBase + 1048 + 26005;
}  // namespace error_number

class RegistryError : public std::runtime_error {
 public:
  // An error raised with the class's own source and a message of its own;
  // serviceStatus is the status of the service call that failed.
  static RegistryError Raise(std::int32_t number, Text description, std::int32_t serviceStatus = 0);
  // An error that gives neither a source nor a description of its own: the
  // source is the project name "Project1", the description the generic text
  // for the number.
  static RegistryError RaiseNumber(std::int32_t number);

  RegistryError(std::int32_t number, Text source, Text description, std::int32_t serviceStatus = 0);

  std::int32_t Number;
  Text Source;
  Text Description;
  // Why the registry service refused: the Windows status of the call that
  // failed (5 access denied, 2 not found...), 0 when no service call did.
  // The message never carries it.
  std::int32_t ServiceStatus;
};

// "<executable name>.cRegistry", the source of the class's own errors.
Text RegistrySource();

}  // namespace cregistry
