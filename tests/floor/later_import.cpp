// A program that imports a function of Windows Vista, which the headers set
// for Windows XP hide: tools/check-pe must refuse it.
#include <windows.h>

#include <cstdio>

extern "C" __declspec(dllimport) ULONGLONG WINAPI GetTickCount64();

int main() { std::printf("%llu\n", static_cast<unsigned long long>(GetTickCount64())); }
