// A cRegistry on the backend a suite runs on, addressing the test's own key.
#pragma once

#include <functional>
#include <optional>

#include "cregistry/cregistry.h"
#include "test_support.h"

namespace testing_support {

template <typename Backend>
class RegistryTest : public OnBackend<Backend> {
 protected:
  void SetUp() override {
    OnBackend<Backend>::SetUp();
    reg.emplace(this->service());
  }
  void TearDown() override {
    EXPECT_EQ(this->hooks().OpenHandleCount(), 0) << "a handle stayed open";
    reg.reset();
    OnBackend<Backend>::TearDown();
  }
  // Points the object at the test's key (or a path below it) and a value.
  void Address(const std::string& below = "", const cregistry::Text& value = u"") {
    reg->ClassKey(HKEY_CURRENT_USER);
    reg->SectionKey(
        cregistry::FromUtf8(below.empty() ? this->base() : this->base() + "\\" + below));
    reg->ValueKey(value);
  }

  std::optional<cRegistry> reg;
};

// Runs the call, expects a RegistryError with this number and description
// (unless null) and returns it.
inline RegistryError ExpectRaises(const std::function<void()>& call, std::int32_t number,
                                  const char16_t* description = nullptr) {
  try {
    call();
  } catch (const RegistryError& error) {
    EXPECT_EQ(error.Number, number);
    if (description) {
      EXPECT_EQ(error.Description, cregistry::Text(description));
    }
    return error;
  }
  ADD_FAILURE() << "no RegistryError raised";
  return RegistryError(0, u"", u"");
}

}  // namespace testing_support
