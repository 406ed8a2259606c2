// The package's Mutex on Windows: a critical section, which every Windows
// has (Windows XP has no slim lock), spinning a while before it sleeps.
#include <windows.h>

#include "guarded.h"

namespace cregistry {

static_assert(sizeof(CRITICAL_SECTION) <= sizeof(unsigned char[sizeof(void*) == 8 ? 40 : 24]));

Mutex::Mutex() {
  InitializeCriticalSectionAndSpinCount(reinterpret_cast<CRITICAL_SECTION*>(section_), 4000);
}
Mutex::~Mutex() { DeleteCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(section_)); }
void Mutex::lock() { EnterCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(section_)); }
void Mutex::unlock() { LeaveCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(section_)); }

}  // namespace cregistry
