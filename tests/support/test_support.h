// Shared test support: the registry backends that the suites run on, a
// private key for each test, and printing of UTF-16 text.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cregistry/hooked_service.h"
#include "cregistry/memory_registry.h"
#include "cregistry/registry_service.h"
#include "cregistry/text.h"
#include "cregistry/variant.h"
#include "registry_tree.h"
#ifdef _WIN32
#include "cregistry/win32_registry.h"
#endif

namespace cregistry {
// Readable failure messages for UTF-16 text and variants.
inline void PrintTo(const Text& text, std::ostream* out) { *out << '"' << ToUtf8(text) << '"'; }
void PrintTo(const Variant& value, std::ostream* out);
}  // namespace cregistry

namespace testing_support {

// The suites speak the package's names as their own.
using namespace cregistry;

constexpr std::int32_t kCurrentUser = static_cast<std::int32_t>(0x80000001u);
inline const cregistry::KeyHandle kHkcu = cregistry::RootHandle(kCurrentUser);

std::vector<std::uint8_t> Bytes(std::string_view text);
// Every character of a literal but its final NUL: Bytes("a\0") is {'a', 0}.
template <std::size_t N>
std::vector<std::uint8_t> Bytes(const char (&text)[N]) {
  return Bytes(std::string_view(text, N - 1));
}

using Program = cregistry::MemoryRegistry::Program;

// The in-memory registry speaking one code page, as a program of one kind.
template <unsigned CodePage, Program kKind = Program::kOn32BitWindows>
struct MemoryBackend {
  static constexpr bool kIsMemory = true;
  static std::unique_ptr<cregistry::RegistryService> Make() {
    return std::make_unique<cregistry::MemoryRegistry>(CodePage, kKind);
  }
  static Program Kind() { return kKind; }
  static std::string Name() {
    static const char* const kKinds[] = {"", "On64", "Wow64"};
    return "Memory" + std::to_string(CodePage) + kKinds[static_cast<int>(kKind)];
  }
};
// The in-memory registry as each kind of program on 64-bit Windows.
#define RPV_MEMORY_VIEW_BACKENDS                      \
  MemoryBackend<1252, Program::k64BitOn64BitWindows>, \
      MemoryBackend<1252, Program::k32BitOn64BitWindows>

// What kind of program this test program is, on the Windows it runs on.
Program ThisProgram();
#define RPV_MEMORY_BACKENDS MemoryBackend<1252>, MemoryBackend<932>, MemoryBackend<65001>
#ifdef _WIN32
// advapi32, in the process's own code page.
struct Win32Backend {
  static constexpr bool kIsMemory = false;
  static std::unique_ptr<cregistry::RegistryService> Make() {
    return std::make_unique<cregistry::Win32Registry>();
  }
  static Program Kind() { return ThisProgram(); }
  static std::string Name() { return "Win32"; }
};
using Backends = ::testing::Types<RPV_MEMORY_BACKENDS, Win32Backend>;
// Every kind of program: the in-memory registry as each, advapi32 as this
// program is.
using ViewBackends = ::testing::Types<MemoryBackend<1252>, RPV_MEMORY_VIEW_BACKENDS, Win32Backend>;
#else
using Backends = ::testing::Types<RPV_MEMORY_BACKENDS>;
using ViewBackends = ::testing::Types<MemoryBackend<1252>, RPV_MEMORY_VIEW_BACKENDS>;
#endif

// This computer's name, as the registry service connects to it, and a
// variable of this process's environment, as the service expands it.
cregistry::Text ThisComputer();
void SetVariable(const std::string& name, const std::string& value);

// What only other programs make, made on advapi32 as they make it, paths
// below HKEY_CURRENT_USER: a registry link (REG_OPTION_CREATE_LINK), and a
// sub-key named "\0hidden" (the native call), removed again with path.
#ifdef _WIN32
void MakeWin32Link(const std::string& path, const std::string& target);
void AddWin32Hidden(const std::string& path);
void RemoveWin32Hidden(const std::string& path);
void DenyWin32Query(const std::string& path);
#endif
inline const cregistry::Text kHiddenName(u"\0hidden", 7);

// Leaves a test that does not apply to the backend, saying why. (No
// GTEST_SKIP: GoogleTest reports it to OutputDebugString, whose exception a
// 32-bit Wine program under qemu-i386 does not survive.)
inline void Skip(const char* why) { std::printf("skipped on this backend: %s\n", why); }

struct BackendNames {
  template <typename T>
  static std::string GetName(int) {
    return T::Name();
  }
};

// Texts chosen by the service's code page: one that it holds, with its
// bytes (Italian with the euro sign in 1252, Japanese in 932, both in UTF-8),
// a letter for the longest names, and one that it cannot hold and must never
// send substituted (the fullwidth backslash in 1252 and the yen sign in 932,
// both of which would map best-fit to "\"; an unpaired surrogate in UTF-8).
struct CodePageTexts {
  cregistry::Text held;
  std::string heldBytes;
  char16_t letter;
  cregistry::Text refused;
};
const CodePageTexts& TextsFor(unsigned codePage);

// A fixture that gives each test the key
// HKCU\Software\ResetParametriVelto-test\<Suite>.<Test>, removed before and
// after the test, on the backend the suite is instantiated for, with the
// test hooks around it.
template <typename Backend>
class OnBackend : public ::testing::Test {
 protected:
  void SetUp() override {
    backend_ = Backend::Make();
    service_.emplace(*backend_);
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string suite = info->test_suite_name();
    suite = suite.substr(0, suite.find('/'));
    base_ = "Software\\ResetParametriVelto-test\\" + suite + "." + info->name();
    DeleteTree(*service_, kHkcu, base_);
  }
  void TearDown() override {
    EXPECT_TRUE(DeleteTree(*service_, kHkcu, base_)) << "the test's key stayed behind";
  }

  // The service the test works on: the backend through the hooks.
  cregistry::RegistryService& service() { return *service_; }
  cregistry::HookedService& hooks() { return *service_; }
  // The in-memory registry itself, or null on the real one.
  cregistry::MemoryRegistry* memory() {
    return Backend::kIsMemory ? static_cast<cregistry::MemoryRegistry*>(backend_.get()) : nullptr;
  }
  const CodePageTexts& texts() { return TextsFor(service_->CodePage()); }
  // This test's own key path below HKEY_CURRENT_USER.
  const std::string& base() const { return base_; }
  cregistry::Text baseText() const { return cregistry::FromUtf8(base_); }

  // Direct service helpers for arranging and checking, independent of the
  // registry class.
  void Put(const std::string& path, const std::string& name, std::uint32_t type,
           const std::vector<std::uint8_t>& data);
  bool Exists(const std::string& path);
  struct Raw {
    cregistry::Status status;
    std::uint32_t type;
    std::vector<std::uint8_t> data;
  };
  Raw Get(const std::string& path, const std::string& name);

  // A registry link at path to target, both below HKEY_CURRENT_USER.
  void MakeLink(const std::string& path, const std::string& target) {
#ifdef _WIN32
    if (!memory()) return MakeWin32Link(path, target);
#endif
    ASSERT_TRUE(memory()->AddLink(kHkcu, path, kHkcu, target)) << path;
  }
  // A sub-key of path named kHiddenName, which the ANSI listing hands out
  // as an empty name; RemoveWithHidden removes path with everything below.
  void AddHidden(const std::string& path) {
#ifdef _WIN32
    if (!memory()) return AddWin32Hidden(path);
#endif
    memory()->AddWideKey(kHkcu, path, kHiddenName);
  }
  // Refuses reading the key at path (KEY_QUERY_VALUE), as a security
  // descriptor does; the key can still be listed and deleted.
  void DenyQuery(const std::string& path) {
#ifdef _WIN32
    if (!memory()) return DenyWin32Query(path);
#endif
    memory()->DenyAccess(kHkcu, path, cregistry::access::kQueryValue);
  }
  void RemoveWithHidden(const std::string& path) {
#ifdef _WIN32
    if (!memory()) return RemoveWin32Hidden(path);
#endif
    memory()->Remove(kHkcu, path);
  }

 private:
  std::unique_ptr<cregistry::RegistryService> backend_;
  std::optional<cregistry::HookedService> service_;
  std::string base_;
};

template <typename Backend>
void OnBackend<Backend>::Put(const std::string& path, const std::string& name, std::uint32_t type,
                             const std::vector<std::uint8_t>& data) {
  cregistry::KeyHandle key = 0;
  ASSERT_EQ(service_->CreateKey(kHkcu, path, cregistry::access::kAllValueAndKeyRights, key), 0)
      << path;
  // Windows reads the byte after a text's count, and ends the text there if
  // it is a NUL: this one is not, so the bytes are stored as they are.
  std::vector<std::uint8_t> bytes(data);
  bytes.push_back(0xBD);
  EXPECT_EQ(
      service_->SetValue(key, name, type, bytes.data(), static_cast<std::uint32_t>(data.size())),
      0);
  service_->CloseKey(key);
}

template <typename Backend>
bool OnBackend<Backend>::Exists(const std::string& path) {
  cregistry::KeyHandle key = 0;
  if (service_->OpenKey(kHkcu, path, cregistry::access::kQueryValue, key) != 0) {
    return false;
  }
  service_->CloseKey(key);
  return true;
}

template <typename Backend>
typename OnBackend<Backend>::Raw OnBackend<Backend>::Get(const std::string& path,
                                                         const std::string& name) {
  Raw raw{};
  cregistry::KeyHandle key = 0;
  raw.status = service_->OpenKey(kHkcu, path, cregistry::access::kQueryValue, key);
  if (raw.status != 0) return raw;
  std::uint32_t size = 0;
  raw.status = service_->QueryValue(key, name, &raw.type, nullptr, &size);
  if (raw.status == 0) {
    raw.data.assign(size + 16, 0xBD);
    raw.status = service_->QueryValue(key, name, &raw.type, raw.data.data(), &size);
    raw.data.resize(size);
  }
  service_->CloseKey(key);
  return raw;
}

}  // namespace testing_support
