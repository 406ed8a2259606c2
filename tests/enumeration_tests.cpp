// EnumerateValues and EnumerateSections.
#include <new>
#include <set>
#include <stdexcept>

#include "registry_fixture.h"

namespace {

using namespace testing_support;
using cregistry::Operation;
using cregistry::Text;

template <typename Backend>
using Enumeration = RegistryTest<Backend>;
TYPED_TEST_SUITE(Enumeration, Backends, BackendNames);

std::set<Text> AsSet(const NameList& names) { return {names.begin(), names.end()}; }

TYPED_TEST(Enumeration, ListsValueNamesWithTheDefaultValueAsEmpty) {
  // The held name takes more bytes than characters in 932 and UTF-8: the
  // longest length that the service reports is too short for it.
  for (const std::string name : {"", "Alpha", "beta", this->texts().heldBytes.c_str()}) {
    this->Put(this->base(), name, 1, Bytes("x\0"));
  }
  this->Put(this->base() + "\\Sub", "hidden", 1, Bytes("x\0"));
  this->Address();
  this->reg->Machine(u"NO-SUCH-COMPUTER-RPV");  // listings stay local
  NameList names;
  names.Append(u"stale");
  std::int32_t count = -1;
  EXPECT_TRUE(this->reg->EnumerateValues(names, count));
  EXPECT_EQ(count, 4);
  EXPECT_EQ(names.Count(), 4);
  EXPECT_EQ(AsSet(names), (std::set<Text>{u"", u"Alpha", u"beta", this->texts().held}));
  EXPECT_THROW(names(0), std::out_of_range);
  EXPECT_NO_THROW(names(4));
  EXPECT_THROW(names(5), std::out_of_range);
}

TYPED_TEST(Enumeration, ListsSubKeyNamesUpToTheLongestName) {
  for (const std::string name : {"One", "two", this->texts().heldBytes.c_str()}) {
    this->Put(this->base() + "\\" + name, "", 1, Bytes("x\0"));
  }
  // A sub-key name of the longest length, 255 characters (510 bytes in 932),
  // created below an open key (Wine's ANSI calls take paths of at most 260
  // characters).
  cregistry::KeyHandle parent = 0;
  ASSERT_EQ(this->service().OpenKey(kHkcu, this->base(), cregistry::access::kAllValueAndKeyRights,
                                    parent),
            0);
  const Text longest(255, this->texts().letter);
  cregistry::KeyHandle child = 0;
  ASSERT_EQ(this->service().CreateKey(parent, *this->service().ToCodePage(longest),
                                      cregistry::access::kAllValueAndKeyRights, child),
            0);
  this->service().CloseKey(child);
  this->service().CloseKey(parent);

  this->Address();
  NameList names;
  std::int32_t count = -1;
  EXPECT_TRUE(this->reg->EnumerateSections(names, count));
  EXPECT_EQ(count, 4);
  EXPECT_EQ(AsSet(names), (std::set<Text>{u"One", u"two", this->texts().held, longest}));
}

TYPED_TEST(Enumeration, AMissingOrEmptyKeyGivesAnEmptyListWithoutStorage) {
  this->Put(this->base() + "\\Empty", "", 1, Bytes("x\0"));
  const std::string places[] = {"Missing", "Empty"};
  for (const auto& place : places) {
    SCOPED_TRACE(place);
    this->Address(place);
    NameList names;
    names.Append(u"old");
    std::int32_t count = 9;
    EXPECT_TRUE(this->reg->EnumerateSections(names, count));
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(names.Empty());
    EXPECT_FALSE(names.HasStorage());
  }
  this->Address("Missing");
  NameList names;
  names.Append(u"old");
  std::int32_t count = 9;
  EXPECT_TRUE(this->reg->EnumerateValues(names, count));
  EXPECT_EQ(count, 0);
  EXPECT_FALSE(names.HasStorage());
  this->reg->ClassKey(0);
  EXPECT_TRUE(this->reg->EnumerateValues(names, count));
  EXPECT_EQ(count, 0);
  // A section the code page cannot hold is a key that cannot be opened.
  this->reg->ClassKey(HKEY_CURRENT_USER);
  this->reg->SectionKey(this->baseText() + this->texts().refused);
  EXPECT_TRUE(this->reg->EnumerateValues(names, count));
  EXPECT_TRUE(this->reg->EnumerateSections(names, count));
  EXPECT_EQ(count, 0);
}

TYPED_TEST(Enumeration, LeavesEveryPropertyAsItWas) {
  this->Put(this->base(), "v", 1, Bytes("x\0"));
  this->Address("", u"v");
  this->reg->ValueType(3);
  this->reg->Default(Variant(5));
  NameList names;
  std::int32_t count = 0;
  this->reg->EnumerateValues(names, count);
  this->reg->EnumerateSections(names, count);
  EXPECT_EQ(this->reg->SectionKey(), this->baseText());
  EXPECT_EQ(this->reg->ValueKey(), u"v");
  EXPECT_EQ(this->reg->ValueType(), 3);
  EXPECT_EQ(this->reg->Default(), Variant(5));
  EXPECT_EQ(this->reg->ClassKey(), HKEY_CURRENT_USER);
}

// The calls the listings make, on the in-memory registry: a key S with the
// sub-keys A and B and the values a, b and v.
class EnumerationCalls : public ::testing::Test {
 protected:
  void SetUp() override {
    memory.Store(kHkcu, "S\\A", "", 1, {});
    memory.Store(kHkcu, "S\\B", "", 1, {});
    for (const char* name : {"a", "b", "v"}) memory.Store(kHkcu, "S", name, 1, {});
    reg.ClassKey(HKEY_CURRENT_USER);
    reg.SectionKey(u"S");
  }
  void TearDown() override { EXPECT_EQ(hooks.OpenHandleCount(), 0); }

  cregistry::MemoryRegistry memory;
  cregistry::HookedService hooks{memory};
  cRegistry reg{hooks};
  NameList names;
  std::int32_t count = 0;
};

TEST_F(EnumerationCalls, TenThousandEntriesComeInTheServiceOrder) {
  for (int i = 0; i < 10000; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "n%05d", i);
    memory.Store(kHkcu, "Big\\Values", name, 4, Bytes("\0\0\0\0"));
    memory.Store(kHkcu, std::string("Big\\Keys\\") + name, "", 1, {});
  }
  reg.SectionKey(u"Big\\Values");
  EXPECT_TRUE(reg.EnumerateValues(names, count));
  ASSERT_EQ(count, 10000);
  EXPECT_EQ(names(1), u"n00000");
  EXPECT_EQ(names(10000), u"n09999");
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
  reg.SectionKey(u"Big\\Keys");
  EXPECT_TRUE(reg.EnumerateSections(names, count));
  ASSERT_EQ(count, 10000);
  EXPECT_EQ(names(5001), u"n05000");
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
}

TEST_F(EnumerationCalls, ALongerNameAppearingMidwayIsRetriedNotDropped) {
  // The second name no longer fits: the service says so once.
  hooks.InjectFault(Operation::kEnumValue, cregistry::status::kMoreData, 2);
  EXPECT_TRUE(reg.EnumerateValues(names, count));
  ASSERT_EQ(count, 3);
  EXPECT_EQ(names(2), u"b");
  // A service that always says so: the listing ends, boundedly.
  hooks.InjectFault(Operation::kEnumValue, cregistry::status::kMoreData);
  EXPECT_TRUE(reg.EnumerateValues(names, count));
  EXPECT_EQ(count, 0);
}

TEST_F(EnumerationCalls, AFailureThatIsNoStatusIsRaisedOnlyByTheSectionListing) {
  hooks.InjectException(Operation::kEnumKey, std::make_exception_ptr(std::bad_alloc()));
  ExpectRaises([&] { reg.EnumerateSections(names, count); }, error_number::kEnumerateSectionsFailed,
               u"Out of memory");
  hooks.InjectException(Operation::kEnumKey,
                        std::make_exception_ptr(std::runtime_error("disk on fire")));
  const auto error = ExpectRaises([&] { reg.EnumerateSections(names, count); },
                                  error_number::kEnumerateSectionsFailed, u"disk on fire");
  EXPECT_EQ(error.Source, u"registry_tests.cRegistry");
  hooks.InjectException(Operation::kEnumValue, std::make_exception_ptr(std::bad_alloc()));
  EXPECT_THROW(reg.EnumerateValues(names, count), std::bad_alloc);
}

TEST_F(EnumerationCalls, OpensWithTheirOwnAccessAndStopAtAnyFailure) {
  reg.EnumerateSections(names, count);
  EXPECT_EQ(hooks.Calls()[0].value, 8u);
  hooks.ClearCalls();
  reg.EnumerateValues(names, count);
  EXPECT_EQ(hooks.Calls()[0].value, 1u);
  hooks.InjectFault(Operation::kEnumKey, cregistry::status::kAccessDenied, 2);
  EXPECT_TRUE(reg.EnumerateSections(names, count));
  EXPECT_EQ(count, 1);
  hooks.InjectFault(Operation::kQueryInfoKey, cregistry::status::kAccessDenied, 1);
  EXPECT_TRUE(reg.EnumerateValues(names, count));
  EXPECT_EQ(count, 0);
}

}  // namespace
