// Writing Value: the stored type and bytes for each ValueType, the errors,
// and the key path created on the way.
#include "registry_fixture.h"

namespace {

using namespace testing_support;
using cregistry::Operation;
using cregistry::Text;

template <typename Backend>
using ValueWrite = RegistryTest<Backend>;
TYPED_TEST_SUITE(ValueWrite, Backends, BackendNames);

struct WriteRow {
  const char* name;
  std::int32_t valueType;
  Variant value;
  std::uint32_t storedType;
  std::vector<std::uint8_t> stored;
};

TYPED_TEST(ValueWrite, StoresTheTypeAndBytesThatValueTypeSelects) {
  const WriteRow rows[] = {
      {"percent", 1, Variant(u"100%"), 1, Bytes("100%\0")},
      {"path", 1, Variant(u"%PATH%;x"), 2, Bytes("%PATH%;x\0")},
      {"twoPercent", 1, Variant(u"%%"), 1, Bytes("%%\0")},
      {"twoPercent2", 2, Variant(u"%%"), 1, Bytes("%%\0")},
      {"threePercent", 1, Variant(u"%%x%"), 2, Bytes("%%x%\0")},
      {"shortPair", 1, Variant(u"%a%"), 2, Bytes("%a%\0")},
      {"noPercent", 2, Variant(u"C:\\Data"), 1, Bytes("C:\\Data\0")},
      {"empty", 1, Variant(u""), 1, Bytes("\0")},
      {"held", 1, Variant(this->texts().held), 1,
       Bytes(this->texts().heldBytes + std::string(1, '\0'))},
      {"embeddedNul", 1, Variant(Text(u"a\0b", 3)), 1, Bytes("a\0b\0")},
      {"number", 1, Variant(42), 1, Bytes("42\0")},
      {"double", 1, Variant(1.5), 1, Bytes("1.5\0")},
      {"boolean", 2, Variant(true), 1, Bytes("True\0")},
      {"emptyVariant", 1, Variant(), 1, Bytes("\0")},
      {"bytesAsText", 1, Variant(ByteArray{0, {0x0A, 0xFF}}), 1, Bytes("0A FF\0")},
      {"binary", 3, Variant(ByteArray{1, {10, 20, 30}}), 3, {10, 20, 30}},
      {"binaryEmpty", 3, Variant(ByteArray{0, {}}), 3, {}},
      {"dword", 4, Variant(std::int16_t{-1}), 4, Bytes("\xff\xff\xff\xff")},
      {"dword32", 4, Variant(0x12345678), 4, Bytes("\x78\x56\x34\x12")},
      {"bigEndian", 5, Variant(1), 4, Bytes("\x01\x00\x00\x00")},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    this->Address("", cregistry::FromUtf8(row.name));
    this->reg->ValueType(row.valueType);
    this->reg->Value(row.value);
    const auto raw = this->Get(this->base(), row.name);
    EXPECT_EQ(raw.status, 0);
    EXPECT_EQ(raw.type, row.storedType);
    EXPECT_EQ(raw.data, row.stored);
    EXPECT_EQ(this->reg->ValueType(), row.valueType);  // a write keeps it
  }
}

TYPED_TEST(ValueWrite, OneCallWriteStoresDefaultForAnEmptyPlainText) {
  const struct {
    const char* name;
    std::int32_t valueType;
    Variant value, fallback;
    std::vector<std::uint8_t> stored;
  } rows[] = {
      {"empty", REG_SZ, Variant(u""), Variant(u"abc"), Bytes("abc\0")},
      {"emptyVariant", REG_SZ, Variant(), Variant(u"abc"), Bytes("abc\0")},
      {"zero", REG_SZ, Variant(0), Variant(u"abc"), Bytes("0\0")},
      {"expandable", REG_EXPAND_SZ, Variant(u""), Variant(u"abc"), Bytes("\0")},
      {"noDefault", REG_SZ, Variant(u""), Variant(), Bytes("\0")},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const Text name = cregistry::FromUtf8(row.name);
    this->reg->ValueEx(HKEY_CURRENT_USER, this->baseText(), name, row.valueType, row.fallback,
                       row.value);
    EXPECT_EQ(this->Get(this->base(), row.name).data, row.stored);
    EXPECT_EQ(this->reg->Default(), row.fallback);  // the settings stay
    EXPECT_EQ(this->reg->ValueType(), row.valueType);
    EXPECT_EQ(this->reg->ValueKey(), name);
  }
}

TYPED_TEST(ValueWrite, WhatAReadReturnsWritesBackUnchanged) {
  const struct {
    const char* name;
    std::uint32_t type;
    std::vector<std::uint8_t> data;
  } rows[] = {{"bin", 3, {1, 2, 3}}, {"empty", 3, {}}, {"text", 1, Bytes("abc\0")}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    this->Put(this->base(), row.name, row.type, row.data);
    this->Address("", cregistry::FromUtf8(row.name));
    const Variant read = this->reg->Value();
    this->reg->Value(read);  // ValueType is the stored type now
    EXPECT_EQ(this->Get(this->base(), row.name).data, row.data);
    EXPECT_EQ(this->reg->Value(), read);
  }
}

TYPED_TEST(ValueWrite, CreatesTheKeyPathAndWritesTheDefaultValue) {
  this->Address("One\\Two\\Three");
  this->reg->ValueType(REG_SZ);
  this->reg->Value(Variant(u"deep"));
  EXPECT_EQ(this->Get(this->base() + "\\One\\Two\\Three", "").data, Bytes("deep\0"));
}

TYPED_TEST(ValueWrite, RaisesWithItsMessageAndLeavesPropertiesAlone) {
  const Text where = u"Failed to set registry value Key: '-2147483647',Section: '" +
                     this->baseText() + u"',Key: 'Size' to value: '";
  struct ErrorRow {
    const char* name;
    std::int32_t valueType;
    Variant value;
    std::int32_t number;
    Text description;  // empty: the generic one
  };
  const ErrorRow rows[] = {
      {"multi", 7, Variant(u"a"), error_number::kSetValueFailed, where + u"a'"},
      {"none", 0, Variant(42), error_number::kSetValueFailed, where + u"42'"},
      {"other", 12, Variant(42), error_number::kSetValueFailed, where + u"42'"},
      {"dwordText", 4, Variant(u"12"), error_number::kSetValueFailed, where + u"12'"},
      {"dwordDouble", 5, Variant(1.0), error_number::kSetValueFailed, where + u"1'"},
      {"outsideCodePage", 1, Variant(this->texts().refused), error_number::kSetValueFailed,
       where + this->texts().refused + u"'"},
      {"binaryText", 3, Variant(u"abc"), 26001, u"Application-defined or object-defined error"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    this->Address("", u"Size");
    this->reg->ValueType(row.valueType);
    this->reg->Default(Variant(u"d"));
    const auto error =
        ExpectRaises([&] { this->reg->Value(row.value); }, row.number, row.description.c_str());
    EXPECT_EQ(error.Source, row.number == 26001 ? u"Project1" : u"registry_tests.cRegistry");
    EXPECT_EQ(this->Get(this->base(), "Size").status, cregistry::status::kFileNotFound);
    EXPECT_TRUE(this->Exists(this->base()));  // the key path was created
    EXPECT_EQ(this->reg->ValueType(), row.valueType);
    EXPECT_EQ(this->reg->Default(), Variant(u"d"));
    EXPECT_EQ(this->reg->SectionKey(), this->baseText());
  }
}

TYPED_TEST(ValueWrite, ANameOutsideTheCodePageCreatesNothing) {
  this->Address();
  this->reg->SectionKey(this->baseText() + u"\\Sub" + this->texts().refused + u"Key");
  this->reg->ValueType(REG_SZ);
  ExpectRaises([&] { this->reg->Value(Variant(u"x")); }, error_number::kSetValueFailed);
  this->Address("", this->texts().refused);
  ExpectRaises([&] { this->reg->Value(Variant(u"x")); }, error_number::kSetValueFailed);
  EXPECT_FALSE(this->Exists(this->base()));
}

TYPED_TEST(ValueWrite, AnUnreachableComputerRaisesAndStoresNothing) {
  this->Address("", u"Size");
  this->reg->Machine(u"NO-SUCH-COMPUTER-RPV");
  this->reg->ValueType(REG_DWORD);
  ExpectRaises([&] { this->reg->Value(Variant(42)); }, 26001,
               (u"Failed to set registry value Key: '-2147483647',Section: '" + this->baseText() +
                u"',Key: 'Size' to value: '42'")
                   .c_str());
  EXPECT_FALSE(this->Exists(this->base()));
}

TEST(ValueWriteCalls, ARefusedKeyCreationRaisesAndChangesNothing) {
  cregistry::MemoryRegistry memory;
  cregistry::HookedService hooks(memory);
  memory.DenyAccess(kHkcu, "Software", cregistry::access::kCreateSubKey);
  cRegistry reg(hooks);
  reg.ClassKey(HKEY_CURRENT_USER);
  reg.SectionKey(u"Software\\Demo");
  reg.ValueKey(u"Size");
  reg.ValueType(REG_DWORD);
  ExpectRaises([&] { reg.Value(Variant(42)); }, 26001,
               u"Failed to set registry value Key: '-2147483647',Section: "
               u"'Software\\Demo',Key: 'Size' to value: '42'");
  EXPECT_FALSE(memory.KeyPresent(kHkcu, "Software\\Demo"));
  EXPECT_EQ(hooks.OpenHandleCount(), 0);
}

TEST(ValueWriteCalls, MakesOneCreateOneStoreAndOneClose) {
  cregistry::MemoryRegistry memory;
  cregistry::HookedService hooks(memory);
  cRegistry reg(hooks);
  reg.ClassKey(HKEY_CURRENT_USER);
  reg.SectionKey(u"S");
  reg.ValueType(REG_SZ);
  reg.Value(Variant(u"x"));
  const auto& calls = hooks.Calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].operation, Operation::kCreateKey);
  EXPECT_EQ(calls[0].value, 0x3Fu);
  EXPECT_EQ(calls[1].operation, Operation::kSetValue);
  EXPECT_EQ(calls[2].operation, Operation::kCloseKey);
  // A refused store closes the key before the error reaches the caller.
  hooks.InjectFault(Operation::kSetValue, cregistry::status::kAccessDenied);
  EXPECT_THROW(reg.Value(Variant(u"x")), RegistryError);
  EXPECT_EQ(hooks.OpenHandleCount(), 0);
}

TEST(ValueWriteCalls, WritesBelowTheConnectedComputerOnly) {
  cregistry::MemoryRegistry memory;
  cregistry::HookedService hooks(memory);
  memory.AddComputer("\\\\OTHER");
  cRegistry reg(hooks);
  reg.ClassKey(HKEY_LOCAL_MACHINE);
  reg.SectionKey(u"SOFTWARE\\Demo");
  reg.ValueType(REG_SZ);
  reg.Machine(u"OTHER");
  reg.Value(Variant(u"there"));
  EXPECT_FALSE(memory.KeyPresent(cregistry::RootHandle(HKEY_LOCAL_MACHINE), "SOFTWARE\\Demo"));
  EXPECT_EQ(hooks.OpenHandleCount(), 0);
  EXPECT_EQ(reg.Value(), Variant(u"there"));
}

}  // namespace
