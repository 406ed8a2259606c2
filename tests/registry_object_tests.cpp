// The object's state, its properties, DeleteKey and the error convention.
#include "cregistry/process_name.h"
#include "registry_fixture.h"

namespace {

using namespace testing_support;
using cregistry::Text;

TEST(RegistryObject, StartsEmpty) {
  cregistry::MemoryRegistry memory;
  cregistry::HookedService hooks(memory);
  const cRegistry reg(hooks);
  EXPECT_EQ(reg.ClassKey(), 0);
  EXPECT_EQ(reg.SectionKey(), u"");
  EXPECT_EQ(reg.ValueKey(), u"");
  EXPECT_EQ(reg.ValueType(), 0);
  EXPECT_TRUE(reg.Default().IsEmpty());
  EXPECT_EQ(reg.Machine(), u"");
  EXPECT_TRUE(hooks.Calls().empty());  // creating the object opens nothing
}

TEST(RegistryObject, NormalisesTheComputerName) {
  struct Row {
    Text assigned, stored;
  };
  const Row rows[] = {
      {u"", u""},
      {u"P", u""},
      {u"PC", u""},
      {u"\\\\", u""},
      {u"PC1", u"\\\\PC1"},
      {u"\\\\PC1", u"\\\\PC1"},
      {u"\\\\PC2", u"\\\\PC2"},  // replaces the earlier name
      {u"\\PC1", u"\\\\\\PC1"},
      {u" PC ", u"\\\\ PC "},
      {u"PC1\\", u"\\\\PC1\\"},
  };
  cregistry::MemoryRegistry memory;
  cregistry::HookedService hooks(memory);
  cRegistry reg(hooks);
  for (const auto& row : rows) {
    reg.Machine(row.assigned);
    EXPECT_EQ(reg.Machine(), row.stored) << cregistry::ToUtf8(row.assigned);
  }
  reg.Machine(u"PC1");
  reg.Machine(u"");
  EXPECT_EQ(reg.Machine(), u"");
  EXPECT_TRUE(hooks.Calls().empty());
}

TEST(RegistryObject, StoresPropertiesUnchecked) {
  cregistry::MemoryRegistry memory;
  cregistry::HookedService hooks(memory);
  cRegistry reg(hooks);
  for (const std::int32_t key : {7, -1, 0, static_cast<std::int32_t>(HKEY_LOCAL_MACHINE)}) {
    reg.ClassKey(key);
    EXPECT_EQ(reg.ClassKey(), key);
  }
  reg.ValueType(-5);
  EXPECT_EQ(reg.ValueType(), -5);
  reg.SectionKey(u"\\Leading\\Trailing\\ ");
  EXPECT_EQ(reg.SectionKey(), u"\\Leading\\Trailing\\ ");
  reg.ValueKey(u" name ");
  EXPECT_EQ(reg.ValueKey(), u" name ");
  ByteArray bytes{0, {1, 2}};
  reg.Default(Variant(bytes));
  bytes.Bytes[0] = 7;
  EXPECT_EQ(reg.Default(), Variant(ByteArray{0, {1, 2}}));
  EXPECT_TRUE(hooks.Calls().empty());
}

TEST(RegistryError, CarriesNumberSourceAndDescription) {
  const auto own = RegistryError::Raise(26001, u"Failed \u00e8");
  EXPECT_EQ(own.Number, 26001);
  EXPECT_EQ(own.Source, cregistry::ExecutableBaseName() + u".cRegistry");
  EXPECT_EQ(own.Source, u"registry_tests.cRegistry");
  EXPECT_STREQ(own.what(), "Failed \xc3\xa8");
  const auto generic = RegistryError::RaiseNumber(9);
  EXPECT_EQ(generic.Source, u"Project1");
  EXPECT_EQ(generic.Description, u"Subscript out of range");
  EXPECT_EQ(RegistryError::RaiseNumber(26001).Description,
            u"Application-defined or object-defined error");
  EXPECT_EQ(error_number::kSetValueFailed, -2147194455);
  EXPECT_EQ(error_number::kEnumerateSectionsFailed, -2147194454);
  EXPECT_EQ(error_number::kBadAssociationList, -2147194452);
  EXPECT_EQ(error_number::kClassNotDefined, -2147194451);
}

template <typename Backend>
using DeleteKeyTest = RegistryTest<Backend>;
TYPED_TEST_SUITE(DeleteKeyTest, Backends, BackendNames);

TYPED_TEST(DeleteKeyTest, DeletesALeafWithItsValues) {
  this->Put(this->base() + "\\Leaf", "a", 1, Bytes("x\0"));
  this->Put(this->base() + "\\Leaf", "", 4, Bytes("\1\0\0\0"));
  this->Address("Leaf");
  EXPECT_TRUE(this->reg->DeleteKey());
  EXPECT_FALSE(this->Exists(this->base() + "\\Leaf"));
  EXPECT_TRUE(this->Exists(this->base()));
}

TYPED_TEST(DeleteKeyTest, PassesOverWhatItCannotDeleteWithoutRaising) {
  this->Put(this->base() + "\\Parent\\Child", "", 1, Bytes("x\0"));
  this->Address("Parent");
  EXPECT_FALSE(this->reg->DeleteKey());  // still has a sub-key
  EXPECT_TRUE(this->Exists(this->base() + "\\Parent\\Child"));
  this->Address("Missing");
  EXPECT_FALSE(this->reg->DeleteKey());
  // A new object: ClassKey 0 names no root.
  cRegistry fresh(this->service());
  fresh.SectionKey(this->baseText() + u"\\Parent\\Child");
  EXPECT_FALSE(fresh.DeleteKey());
  EXPECT_TRUE(this->Exists(this->base() + "\\Parent\\Child"));
  EXPECT_EQ(fresh.ClassKey(), 0);
}

TYPED_TEST(DeleteKeyTest, NeverSendsANameTheCodePageCannotHold) {
  // A look-alike of "\" must not become "\" and delete Parent\Child.
  this->Put(this->base() + "\\Parent\\Child", "", 1, Bytes("x\0"));
  this->reg->ClassKey(HKEY_CURRENT_USER);
  this->reg->SectionKey(this->baseText() + u"\\Parent" + this->texts().refused + u"Child");
  EXPECT_FALSE(this->reg->DeleteKey());
  this->reg->SectionKey(this->baseText() + u"\\Parent\\Child" + Text(1, u'\0') + u"x");
  EXPECT_FALSE(this->reg->DeleteKey());
  EXPECT_TRUE(this->Exists(this->base() + "\\Parent\\Child"));
}

// Windows takes a ClassKey that names no root as a key handle, ignoring its
// low two bits: with a key of the test's own held open, such values would
// reach that key. They must create, delete, read and list nothing.
TYPED_TEST(DeleteKeyTest, AClassKeyThatNamesNoRootReachesNoKey) {
  const std::string held = this->base() + "\\Held";
  this->Put(held + "\\Victim", "", 1, Bytes("x\0"));
  this->Put(held, "kept", 1, Bytes("x\0"));
  cregistry::KeyHandle key = 0;
  ASSERT_EQ(this->service().OpenKey(kHkcu, held, cregistry::access::kAllValueAndKeyRights, key), 0);
  const auto near = [key](int bits) { return static_cast<std::int32_t>(key | bits); };
  for (const std::int32_t classKey : {0, 5, 6, 7, near(1), near(2), near(3)}) {
    SCOPED_TRACE(classKey);
    this->reg->ClassKey(classKey);
    this->reg->SectionKey(u"Demo");
    this->reg->ValueKey(u"kept");
    this->reg->ValueType(REG_SZ);
    this->reg->Default(Variant(u"d"));
    ExpectRaises([&] { this->reg->CreateKey(); }, 26001);
    ExpectRaises([&] { this->reg->Value(Variant(u"x")); }, 26001);
    this->reg->SectionKey(u"Victim");
    EXPECT_FALSE(this->reg->DeleteKey());
    this->reg->SectionKey(u"");
    EXPECT_FALSE(this->reg->KeyExists());
    EXPECT_EQ(this->reg->Value(), Variant(u"d"));
    ExpectRaises([&] { this->reg->DeleteValue(); }, 26001);
    NameList names;
    std::int32_t count = -1;
    EXPECT_TRUE(this->reg->EnumerateValues(names, count));
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(this->reg->EnumerateSections(names, count));
    EXPECT_EQ(count, 0);
  }
  this->service().CloseKey(key);
  EXPECT_FALSE(this->Exists(held + "\\Demo"));
  EXPECT_TRUE(this->Exists(held + "\\Victim"));
  EXPECT_EQ(this->Get(held, "kept").status, 0);
}

TEST(DeleteKeyCalls, MakesOneRequestBelowTheLocalRoot) {
  cregistry::MemoryRegistry memory;
  cregistry::HookedService hooks(memory);
  memory.AddComputer("\\\\REMOTE");
  cRegistry reg(hooks);
  reg.ClassKey(HKEY_CURRENT_USER);
  reg.SectionKey(u"Software\\X");
  reg.Machine(u"REMOTE");
  reg.DeleteKey();
  ASSERT_EQ(hooks.Calls().size(), 1u);
  EXPECT_EQ(hooks.Calls()[0].operation, cregistry::Operation::kDeleteKey);
  EXPECT_EQ(hooks.Calls()[0].key, kHkcu);
  EXPECT_EQ(hooks.Calls()[0].name, "Software\\X");
}

}  // namespace
