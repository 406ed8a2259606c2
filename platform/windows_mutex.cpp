// The package's Mutex on Windows: a critical section, which every Windows
// has (Windows XP has no slim lock).
#include <windows.h>

#include "guarded.h"

namespace cregistry {

static_assert(sizeof(CRITICAL_SECTION) <= sizeof(unsigned char[sizeof(void*) == 8 ? 40 : 24]));

Mutex::Mutex() { InitializeCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(section_)); }
Mutex::~Mutex() { DeleteCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(section_)); }
void Mutex::lock() { EnterCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(section_)); }
void Mutex::unlock() { LeaveCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(section_)); }

}  // namespace cregistry
