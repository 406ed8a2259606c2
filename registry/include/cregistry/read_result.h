// Why a read of Value yielded what it yielded: the value it found, or why it
// fell back to Default.
#pragma once

#include <cstdint>

namespace cregistry {

enum ERegistryReadResult : std::int32_t {
  READ_FOUND = 0,          // the value, converted by its stored type
  READ_NO_KEY = 1,         // SectionKey is not there
  READ_NO_VALUE = 2,       // SectionKey holds no value ValueKey
  READ_ACCESS_DENIED = 3,  // SectionKey or its value may not be read
  READ_NAME_NOT_HELD = 4,  // SectionKey, ValueKey or Machine holds a character that the
                           // code page cannot (or a U+0000): it was never sent
  READ_NOT_CONVERTED = 5,  // the stored data could not be read whole: their type or size
                           // changed between the size probe and the fetch, every time
  READ_NO_ROOT = 6,        // ClassKey names no root hive
  READ_NO_COMPUTER = 7,    // the computer in Machine cannot be reached
  READ_REFUSED = 8,        // any other refusal of the registry service
};

}  // namespace cregistry
