// KeyExists, CreateKey, DeleteTree and DeleteValue.
#include <algorithm>

#include "registry_fixture.h"

namespace {

using namespace testing_support;
using cregistry::KeyHandle;
using cregistry::Text;

template <typename Backend>
using KeyOperations = RegistryTest<Backend>;
TYPED_TEST_SUITE(KeyOperations, Backends, BackendNames);

TYPED_TEST(KeyOperations, KeyExistsTellsWithoutRaising) {
  this->Put(this->base() + "\\Here", "", 1, Bytes("x\0"));
  this->Address("Here");
  EXPECT_TRUE(this->reg->KeyExists());
  this->Address("Missing");
  EXPECT_FALSE(this->reg->KeyExists());
  this->reg->SectionKey(u"");
  EXPECT_TRUE(this->reg->KeyExists());  // the root itself
  this->reg->ClassKey(0);
  this->reg->SectionKey(this->baseText());
  EXPECT_FALSE(this->reg->KeyExists());
  this->reg->ClassKey(HKEY_CURRENT_USER);
  this->reg->SectionKey(this->baseText() + u"\\Here" + this->texts().refused);
  EXPECT_FALSE(this->reg->KeyExists());
}

TYPED_TEST(KeyOperations, CreateKeyMakesEveryLevelAndKeepsWhatExists) {
  this->Address("A\\B\\C");
  EXPECT_TRUE(this->reg->CreateKey());
  EXPECT_TRUE(this->Exists(this->base() + "\\A\\B\\C"));
  this->Put(this->base() + "\\A\\B\\C\\D", "v", 1, Bytes("1\0"));
  EXPECT_TRUE(this->reg->CreateKey());
  EXPECT_EQ(this->Get(this->base() + "\\A\\B\\C\\D", "v").status, 0);
}

TYPED_TEST(KeyOperations, CreateKeyRaisesWithTheSectionInItsMessage) {
  this->reg->ClassKey(0);
  this->reg->SectionKey(u"Software\\Demo");
  const auto error = ExpectRaises([&] { this->reg->CreateKey(); }, 26001,
                                  u"Failed to create registry Key: 'Software\\Demo");
  EXPECT_EQ(error.Source, u"registry_tests.cRegistry");
  this->Address();
  this->reg->SectionKey(this->baseText() + u"\\" + this->texts().refused);
  ExpectRaises([&] { this->reg->CreateKey(); }, 26001);
  EXPECT_FALSE(this->Exists(this->base()));
}

TYPED_TEST(KeyOperations, DeleteTreeRemovesAKeyWithEverythingBelowIt) {
  // Below T: values, three levels, and a name of 255 characters of the code
  // page (510 bytes in 932), made one level at a time as a path that long
  // would be.
  const std::string t = this->base() + "\\T";
  this->Put(t, "v", 1, Bytes("x\0"));
  this->Put(t + "\\A\\B\\C", "deep", 4, Bytes("\1\0\0\0"));
  this->Put(t + "\\" + this->texts().heldBytes, "", 1, Bytes("h\0"));
  auto& service = this->service();
  KeyHandle key = 0, longest = 0, below = 0;
  ASSERT_EQ(service.OpenKey(kHkcu, t, cregistry::access::kAllValueAndKeyRights, key), 0);
  const auto name = service.ToCodePage(Text(255, this->texts().letter));
  ASSERT_TRUE(name.has_value());
  ASSERT_EQ(service.CreateKey(key, *name, cregistry::access::kAllValueAndKeyRights, longest), 0);
  ASSERT_EQ(service.CreateKey(longest, "D", cregistry::access::kAllValueAndKeyRights, below), 0);
  for (const KeyHandle open : {below, longest, key}) service.CloseKey(open);

  this->Address("T");
  EXPECT_TRUE(this->reg->DeleteTree());
  EXPECT_FALSE(this->Exists(t));
  EXPECT_TRUE(this->Exists(this->base()));
  EXPECT_TRUE(this->reg->DeleteTree());  // nothing left of a missing key either
  this->reg->SectionKey(u"");
  EXPECT_FALSE(this->reg->DeleteTree());  // never the root
  this->reg->SectionKey(u"\\");
  EXPECT_FALSE(this->reg->DeleteTree());
  EXPECT_TRUE(this->Exists(this->base()));
}

// Whatever the tree holds, nothing outside it changes, nothing crashes, and
// the result says whether the tree is gone.
TYPED_TEST(KeyOperations, DeleteTreeTouchesNothingOutsideTheKey) {
  const std::string t = this->base() + "\\T", victim = this->base() + "\\Victim";
  this->Put(victim + "\\Child", "v", 1, Bytes("x\0"));
  const auto victimIntact = [&] { return this->Get(victim + "\\Child", "v").data == Bytes("x\0"); };
  this->Address("T");
  // A link below the key is removed itself, never followed to its target.
  this->Put(t + "\\Plain", "", 1, Bytes("p\0"));
  this->MakeLink(t + "\\Plain\\Link", victim);
  EXPECT_TRUE(this->reg->DeleteTree());
  EXPECT_FALSE(this->Exists(t));
  EXPECT_TRUE(victimIntact());
  // So is a link that SectionKey names.
  this->MakeLink(t, victim);
  EXPECT_TRUE(this->reg->DeleteTree());
  EXPECT_FALSE(this->Exists(t));
  EXPECT_TRUE(victimIntact());
  // A sub-key listed with an empty name stays, and so does the key.
  this->Put(t + "\\Plain", "", 1, Bytes("p\0"));
  this->AddHidden(t);
  this->hooks().ClearCalls();
  EXPECT_FALSE(this->reg->DeleteTree());
  EXPECT_LT(this->hooks().CountCalls(cregistry::Operation::kOpenKeyNoFollow), 4);
  EXPECT_TRUE(this->Exists(t));
  EXPECT_FALSE(this->Exists(t + "\\Plain"));
  this->RemoveWithHidden(t);
  // A tree deeper than DeleteTree goes (512 levels, which Wine 8 makes and
  // Windows never does: the stand-in refuses a key below level 512, as
  // Windows does) stays whole; one as deep as Windows makes goes.
  for (const int depth : {600, 513, 512}) {
    SCOPED_TRACE(depth);
    KeyHandle level = 0;
    ASSERT_EQ(this->service().CreateKey(kHkcu, t, cregistry::access::kCreateSubKey, level), 0);
    int built = 1;
    for (; built < depth; ++built) {
      KeyHandle next = 0;
      const cregistry::Status made =
          this->service().CreateKey(level, "L", cregistry::access::kCreateSubKey, next);
      if (made != 0) {
        EXPECT_TRUE(this->memory() && made == cregistry::status::kInvalidParameter) << made;
        break;
      }
      this->service().CloseKey(level);
      level = next;
    }
    this->service().CloseKey(level);
    EXPECT_EQ(this->reg->DeleteTree(), built <= 512);
    EXPECT_EQ(this->Exists(t), built > 512);
    EXPECT_TRUE(DeleteTree(this->service(), kHkcu, t));
  }
  EXPECT_TRUE(victimIntact());
}

// On the stand-in, which can hold keys named through the wide calls. A name
// that the code page cannot hold is listed with "?" (or U+FFFD in UTF-8),
// or with its look-alike: a backslash for the fullwidth one and the yen
// sign. Beside a key truly named as listed, neither is followed, and both
// stay; a listed name with a backslash is never followed either.
TEST(DeleteTree, FollowsNoNameThatMayBeASubstituteAndReportsWhatStays) {
  const struct {
    unsigned codePage;
    cregistry::Text wide;
    std::string listed;  // and a key truly named so, unless it holds a backslash
  } rows[] = {
      {1252, u"a\u0E01b", "a?b"},
      {932, u"a\u0E01b", "a?b"},
      {65001, cregistry::Text{u'a', u'\xD800', u'b'},
       "a\xEF\xBF\xBD"
       "b"},
      {1252, u"a\uFF3Cb", "a\\b"},
      {932, u"a\u00A5b", "a\\b"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.codePage);
    cregistry::MemoryRegistry memory(row.codePage);
    cregistry::HookedService hooks(memory);
    cRegistry reg(hooks);
    reg.ClassKey(HKEY_CURRENT_USER);
    reg.SectionKey(u"T");
    const bool path = row.listed.find('\\') != std::string::npos;
    const std::string listedKey = std::string("T\\").append(row.listed);
    memory.Store(kHkcu, "T\\Plain", "", 1, Bytes("p\0"));
    if (!path) memory.Store(kHkcu, listedKey, "real", 1, Bytes("r\0"));
    memory.AddWideKey(kHkcu, "T", row.wide);
    NameList names;
    std::int32_t count = 0;
    reg.EnumerateSections(names, count);
    EXPECT_EQ(std::count(names.begin(), names.end(), memory.FromCodePage(row.listed)),
              path ? 1 : 2);  // listed so
    EXPECT_FALSE(reg.DeleteTree());
    EXPECT_FALSE(memory.KeyPresent(kHkcu, "T\\Plain"));
    reg.EnumerateSections(names, count);
    EXPECT_EQ(count, path ? 1 : 2);
    if (path) continue;
    EXPECT_TRUE(memory.Stored(kHkcu, listedKey, "real").has_value());
    // Alone, the listed substitute names no key: the key stays.
    reg.SectionKey(memory.FromCodePage(listedKey));
    EXPECT_TRUE(reg.DeleteTree());
    reg.SectionKey(u"T");
    EXPECT_FALSE(reg.DeleteTree());
    reg.EnumerateSections(names, count);
    EXPECT_EQ(count, 1);
  }
}

TEST(DeleteTree, LeavesWhatItMayNotDeleteAndSaysSo) {
  for (const unsigned codePage : {1252u, 932u, 65001u}) {
    SCOPED_TRACE(codePage);
    cregistry::MemoryRegistry memory(codePage);
    cregistry::HookedService hooks(memory);
    cRegistry reg(hooks);
    reg.ClassKey(HKEY_CURRENT_USER);
    // A key that the service refuses to delete stays, and is reported; one
    // that may only not be read is deleted all the same.
    memory.DenyAccess(kHkcu, "U\\Locked", cregistry::access::kDelete);
    memory.DenyAccess(kHkcu, "U\\Unreadable", cregistry::access::kQueryValue);
    memory.Store(kHkcu, "U\\Open", "", 1, Bytes("o\0"));
    reg.SectionKey(u"U");
    EXPECT_FALSE(reg.DeleteTree());
    EXPECT_TRUE(memory.KeyPresent(kHkcu, "U\\Locked"));
    EXPECT_FALSE(memory.KeyPresent(kHkcu, "U\\Open"));
    EXPECT_FALSE(memory.KeyPresent(kHkcu, "U\\Unreadable"));
    EXPECT_EQ(hooks.OpenHandleCount(), 0);
  }
}

TYPED_TEST(KeyOperations, DeleteValueRemovesOneValue) {
  this->Put(this->base(), "Size", 4, Bytes("\1\0\0\0"));
  this->Put(this->base(), "Keep", 4, Bytes("\2\0\0\0"));
  this->Put(this->base(), "", 1, Bytes("d\0"));
  this->Address("", u"Size");
  EXPECT_TRUE(this->reg->DeleteValue());
  EXPECT_EQ(this->Get(this->base(), "Size").status, cregistry::status::kFileNotFound);
  this->reg->ValueKey(u"");
  EXPECT_TRUE(this->reg->DeleteValue());  // the unnamed default value
  EXPECT_EQ(this->Get(this->base(), "").status, cregistry::status::kFileNotFound);
  EXPECT_EQ(this->Get(this->base(), "Keep").status, 0);
}

TYPED_TEST(KeyOperations, DeleteValueRaisesItsTwoErrors) {
  const Text section = this->baseText() + u"\\Missing";
  this->Address("Missing", u"Size");
  EXPECT_EQ(ExpectRaises(
                [&] { this->reg->DeleteValue(); }, 26001,
                (u"Failed to open key '-2147483647',Section: '" + section + u"' for delete access")
                    .c_str())
                .ServiceStatus,
            cregistry::status::kFileNotFound);
  this->Put(this->base(), "Other", 1, Bytes("x\0"));
  this->Address("", u"Size");
  ExpectRaises([&] { this->reg->DeleteValue(); }, 26001,
               (u"Failed to delete registry Key: '-2147483647',Section: '" + this->baseText() +
                u"',Key: 'Size")
                   .c_str());
  // A name the code page cannot hold is never sent.
  const Text refused = u"Oth" + this->texts().refused + u"r";
  this->reg->ValueKey(refused);
  ExpectRaises([&] { this->reg->DeleteValue(); }, 26001);
  EXPECT_EQ(this->Get(this->base(), "Other").status, 0);
  EXPECT_EQ(this->reg->ValueKey(), refused);  // properties unchanged
  EXPECT_EQ(this->reg->ClassKey(), HKEY_CURRENT_USER);
}

TEST(KeyOperationCalls, UseTheirAccessMasksAndCloseEveryHandle) {
  cregistry::MemoryRegistry memory;
  cregistry::HookedService hooks(memory);
  cRegistry reg(hooks);
  reg.ClassKey(HKEY_CURRENT_USER);
  reg.SectionKey(u"Software\\Demo");
  reg.ValueKey(u"Size");
  EXPECT_TRUE(reg.CreateKey());
  EXPECT_TRUE(reg.KeyExists());
  EXPECT_THROW(reg.DeleteValue(), RegistryError);
  EXPECT_EQ(hooks.OpenHandleCount(), 0);
  const auto& calls = hooks.Calls();
  ASSERT_EQ(calls.size(), 7u);
  EXPECT_EQ(calls[0].operation, cregistry::Operation::kCreateKey);
  EXPECT_EQ(calls[0].value, 0x3Fu);
  EXPECT_EQ(calls[2].operation, cregistry::Operation::kOpenKey);
  EXPECT_EQ(calls[2].value, 0x1u);
  EXPECT_EQ(calls[4].operation, cregistry::Operation::kOpenKey);
  EXPECT_EQ(calls[4].value, 0x3Fu);
  EXPECT_EQ(calls[5].operation, cregistry::Operation::kDeleteValue);
  EXPECT_EQ(calls[6].operation, cregistry::Operation::kCloseKey);
}

TEST(KeyOperationCalls, AKeyThatCannotBeOpenedForQueryDoesNotExist) {
  cregistry::MemoryRegistry memory;
  cregistry::HookedService hooks(memory);
  memory.DenyAccess(kHkcu, "Software\\Locked", cregistry::access::kQueryValue);
  cRegistry reg(hooks);
  reg.ClassKey(HKEY_CURRENT_USER);
  reg.SectionKey(u"Software\\Locked");
  EXPECT_FALSE(reg.KeyExists());
  EXPECT_TRUE(memory.KeyPresent(kHkcu, "Software\\Locked"));
}

// View: every member reaches the view it names, from every kind of program,
// and in the process's own view as before. On Windows without WOW64 the
// views are the one registry.
template <typename Backend>
using ClassViews = RegistryTest<Backend>;
TYPED_TEST_SUITE(ClassViews, ViewBackends, BackendNames);

TYPED_TEST(ClassViews, EveryMemberReachesTheViewItNames) {
  const Program kind = TypeParam::Kind();
  const bool views = kind != Program::kOn32BitWindows;
  const Text below = u"SOFTWARE\\ResetParametriVelto-test";
  const Text key = below + u"\\ClassViews";
  auto& reg = *this->reg;
  const auto clean = [&] {
    for (const std::int32_t view : {REGISTRY_VIEW_32, REGISTRY_VIEW_64}) {
      reg.View(view);
      reg.ClassKey(HKEY_LOCAL_MACHINE);
      reg.SectionKey(below);
      EXPECT_TRUE(reg.DeleteTree());
    }
  };
  clean();
  for (const std::int32_t view : {REGISTRY_VIEW_64, REGISTRY_VIEW_32}) {
    reg.View(view);
    reg.ValueEx(HKEY_LOCAL_MACHINE, key + u"\\Sub", u"v", REG_DWORD, Variant(),
                Variant(view == REGISTRY_VIEW_64 ? 64 : 32));
  }
  EXPECT_EQ(reg.View(), REGISTRY_VIEW_32);  // ValueEx leaves it
  const auto read = [&](std::int32_t view) {
    reg.View(view);
    return reg.ValueEx(HKEY_LOCAL_MACHINE, key + u"\\Sub", u"v", REG_DWORD, Variant(-1));
  };
  EXPECT_EQ(read(REGISTRY_VIEW_64), Variant(views ? 64 : 32));  // one registry: the last write
  EXPECT_EQ(read(REGISTRY_VIEW_32), Variant(32));
  EXPECT_EQ(read(REGISTRY_VIEW_DEFAULT), Variant(kind == Program::k64BitOn64BitWindows ? 64 : 32));
  // Listings, existence and deletion in the view named.
  reg.View(REGISTRY_VIEW_32);
  reg.SectionKey(key);
  NameList names;
  std::int32_t count = 0;
  EXPECT_TRUE(reg.EnumerateSections(names, count));
  EXPECT_EQ(count, 1);
  reg.SectionKey(key + u"\\Sub");
  EXPECT_TRUE(reg.DeleteKey());
  EXPECT_FALSE(reg.KeyExists());
  reg.View(REGISTRY_VIEW_64);
  EXPECT_EQ(reg.KeyExists(), views);
  reg.SectionKey(key);
  EXPECT_TRUE(reg.DeleteTree());
  EXPECT_FALSE(reg.KeyExists());
  clean();
  EXPECT_EQ(this->hooks().OpenHandleCount(), 0);
}

}  // namespace
