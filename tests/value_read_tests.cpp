// Reading Value: conversions by stored type, the fall-back to Default, and
// what the read asks of the service.
#include "registry_fixture.h"

namespace {

using namespace testing_support;
using cregistry::Operation;
using cregistry::Text;

template <typename Backend>
using ValueRead = RegistryTest<Backend>;
TYPED_TEST_SUITE(ValueRead, Backends, BackendNames);

struct ReadRow {
  const char* name;
  std::uint32_t type;
  std::vector<std::uint8_t> stored;
  Variant expected;
};

TYPED_TEST(ValueRead, ConvertsByTheStoredType) {
  const ReadRow rows[] = {
      {"sz", 1, Bytes("abc\0"), Variant(u"abc")},
      {"szNoNul", 1, Bytes("abc"), Variant(u"abc")},
      {"szOnlyNul", 1, Bytes("\0"), Variant(u"")},
      {"szNoData", 1, {}, Variant(u"")},
      {"szHeld", 1, Bytes(this->texts().heldBytes + std::string(1, '\0')),
       Variant(this->texts().held)},
      {"multi", 7, Bytes("a\0b\0\0"), Variant(Text(u"a\0b\0", 4))},
      {"dword", 4, Bytes("\xff\xff\xff\xff"), Variant(-1)},
      {"dwordShort", 4, Bytes("\x01\x02"), Variant(0x0201)},
      {"dwordLong", 4, Bytes("\x01\x00\x00\x00\x09\x09\x09\x09"), Variant(1)},
      {"bigEndian", 5, Bytes("\x00\x00\x01\x00"), Variant(256)},
      {"bigEndian2", 5, Bytes("\x12\x34\x56\x78"), Variant(0x12345678)},
      {"binary", 3, Bytes("\x01\x02\x03"), Variant(ByteArray{0, {1, 2, 3}})},
      {"binaryEmpty", 3, {}, Variant(ByteArray{0, {}})},
      {"none", 0, Bytes("\x07"), Variant(ByteArray{0, {7}})},
      {"link", 6, Bytes("\x01\x02"), Variant(ByteArray{0, {1, 2}})},
      {"qword", 11, Bytes("\x01\x02\x03\x04\x05\x06\x07\x08"),
       Variant(ByteArray{0, {1, 2, 3, 4, 5, 6, 7, 8}})},
  };
  for (const auto& row : rows) this->Put(this->base(), row.name, row.type, row.stored);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    this->Address("", cregistry::FromUtf8(row.name));
    this->reg->ValueType(-9);
    EXPECT_EQ(this->reg->Value(), row.expected);
    EXPECT_EQ(this->reg->ValueType(), static_cast<std::int32_t>(row.type));
  }
}

TYPED_TEST(ValueRead, YieldsACopyOfDefaultWhenThereIsNothingToRead) {
  this->Put(this->base(), "there", 1, Bytes("x\0"));
  const Variant defaults[] = {Variant(), Variant(u"x"), Variant(7), Variant(ByteArray{2, {1}})};
  struct Where {
    std::int32_t root;
    std::string below;
    Text value;
  };
  const Where nowhere[] = {
      {HKEY_CURRENT_USER, "", u"missing"},
      {HKEY_CURRENT_USER, "NoSuchKey", u"there"},
      {0, "", u"there"},
      {HKEY_CURRENT_USER, "", u"th" + this->texts().refused + u"re"},
  };
  for (const auto& where : nowhere) {
    for (const auto& fallback : defaults) {
      this->Address(where.below, where.value);
      this->reg->ClassKey(where.root);
      this->reg->ValueType(42);
      this->reg->Default(fallback);
      EXPECT_EQ(this->reg->Value(), fallback);
      EXPECT_EQ(this->reg->ValueType(), 42);
      EXPECT_EQ(this->reg->Default(), fallback);
      // ValueEx sets the type it is given, and a read that finds nothing
      // leaves it so.
      EXPECT_EQ(this->reg->ValueEx(where.root, this->reg->SectionKey(), where.value, 7, fallback),
                fallback);
      EXPECT_EQ(this->reg->ValueType(), 7);
    }
  }
  // An unreachable computer gives the default too.
  this->Address("", u"there");
  this->reg->Machine(u"NO-SUCH-COMPUTER-RPV");
  this->reg->Default(Variant(u"fallback"));
  EXPECT_EQ(this->reg->Value(), Variant(u"fallback"));
}

TYPED_TEST(ValueRead, SaysWhyItYieldedWhatItDid) {
  this->Put(this->base(), "there", 1, Bytes("x\0"));
  this->Put(this->base() + "\\Locked", "v", 1, Bytes("x\0"));
  this->DenyQuery(this->base() + "\\Locked");
  const Text refused = u"th" + this->texts().refused + u"re";
  struct Row {
    const char* what;
    std::function<void(cRegistry&)> address;
    ERegistryReadResult result;
    std::int32_t status;
  };
  const auto at = [this](const std::string& below, const Text& value) {
    return [this, below, value](cRegistry&) { this->Address(below, value); };
  };
  const Row rows[] = {
      {"found", at("", u"there"), READ_FOUND, 0},
      {"no value", at("", u"missing"), READ_NO_VALUE, 2},
      {"no key", at("Missing", u"there"), READ_NO_KEY, 2},
      {"refused", at("Locked", u"v"), READ_ACCESS_DENIED, 5},
      {"a value's name not held", at("", refused), READ_NAME_NOT_HELD, 0},
      {"a section's name not held",
       [this, refused](cRegistry& reg) {
         this->Address("", u"there");
         reg.SectionKey(this->baseText() + u"\\" + refused);
       },
       READ_NAME_NOT_HELD, 0},
      {"no root",
       [this](cRegistry& reg) {
         this->Address("", u"there");
         reg.ClassKey(0);
       },
       READ_NO_ROOT, 0},
      {"no computer",
       [this](cRegistry& reg) {
         this->Address("", u"there");
         reg.Machine(u"NO-SUCH-COMPUTER-RPV");
       },
       READ_NO_COMPUTER, 53},
      {"rewritten before every fetch",
       [this](cRegistry&) {
         this->Address("", u"there");
         for (int fetch = 2; fetch <= 8; fetch += 2) {
           this->hooks().BeforeCall(
               cregistry::Operation::kQueryValue,
               [this, fetch] {
                 this->Put(this->base(), "there", 1, Bytes(std::string(8 + fetch, 'y')));
               },
               fetch);
         }
       },
       READ_NOT_CONVERTED, 234},
  };
  // The key deleted by another program after the open, before the probe or
  // before the fetch: whichever call sees it go, the key is not there.
  const auto vanishing = [this](int query) {
    return [this, query](cRegistry&) {
      this->Put(this->base() + "\\Vanishing", "v", 1, Bytes("x\0"));
      this->Address("Vanishing", u"v");
      this->hooks().BeforeCall(
          cregistry::Operation::kQueryValue,
          [this] { DeleteTree(this->service(), kHkcu, this->base() + "\\Vanishing"); }, query);
    };
  };
  const Row vanished[] = {{"key deleted before the probe", vanishing(1), READ_NO_KEY, 1018},
                          {"key deleted before the fetch", vanishing(2), READ_NO_KEY, 1018}};
  std::vector<Row> all(std::begin(rows), std::end(rows));
  all.insert(all.end(), std::begin(vanished), std::end(vanished));
  for (const auto& row : all) {
    SCOPED_TRACE(row.what);
    this->reg.emplace(this->service());
    row.address(*this->reg);
    this->reg->Default(Variant(u"fallback"));
    ERegistryReadResult result = READ_REFUSED;
    std::int32_t status = -1;
    const Variant read = this->reg->Value(result, status);
    EXPECT_EQ(result, row.result);
    EXPECT_EQ(status, row.status);
    EXPECT_EQ(read == Variant(u"fallback"), row.result != READ_FOUND);
    this->hooks().ClearFaults();
  }
  // ValueEx tells the same.
  ERegistryReadResult result = READ_FOUND;
  std::int32_t status = 0;
  EXPECT_EQ(this->reg->ValueEx(HKEY_CURRENT_USER, this->baseText(), u"missing", REG_SZ, Variant(7),
                               result, status),
            Variant(7));
  EXPECT_EQ(result, READ_NO_VALUE);
  EXPECT_EQ(status, 2);
}

TYPED_TEST(ValueRead, ExpandsEnvironmentReferencesOfExpandableText) {
  if (auto* memory = this->memory()) {
    memory->SetVariable("SystemRoot", "C:\\windows");
  }
  this->Put(this->base(), "expand", 2, Bytes("%SystemRoot%\\x\0"));
  this->Put(this->base(), "unset", 2, Bytes("%RPV_NOT_SET%\\y\0"));
  this->Put(this->base(), "plain", 1, Bytes("%SystemRoot%\0"));
  this->Address("", u"expand");
  const Variant expanded = this->reg->Value();
  ASSERT_NE(expanded.AsText(), nullptr);
  EXPECT_EQ(cregistry::ToUtf8(*expanded.AsText()).find('%'), std::string::npos);
  EXPECT_EQ(expanded.AsText()->substr(expanded.AsText()->size() - 2), u"\\x");
  EXPECT_EQ(expanded.AsText()->find(u'\0'), Text::npos);  // no trailing NULs
  EXPECT_EQ(this->reg->ValueType(), 2);
  this->reg->ValueKey(u"unset");
  EXPECT_EQ(this->reg->Value(), Variant(u"%RPV_NOT_SET%\\y"));
  this->reg->ValueKey(u"plain");
  EXPECT_EQ(this->reg->Value(), Variant(u"%SystemRoot%"));
  // Text of the code page's own, in the value and in the variable: two
  // bytes a character in 932, which the expansion must not cut short.
  const auto& texts = this->texts();
  SetVariable("RPV_HELD", texts.heldBytes);
  if (auto* memory = this->memory()) memory->SetVariable("RPV_HELD", texts.heldBytes);
  this->Put(this->base(), "held", 2, Bytes(texts.heldBytes + "%RPV_HELD%\0"));
  this->reg->ValueKey(u"held");
  EXPECT_EQ(this->reg->Value(), Variant(texts.held + texts.held));
}

TYPED_TEST(ValueRead, ReadsBelowTheComputerItIsConnectedTo) {
  this->Put(this->base(), "v", 1, Bytes("local\0"));
  if (auto* memory = this->memory()) {
    memory->AddComputer("\\\\OTHER");
    cRegistry remote(*memory);
    remote.Machine(u"OTHER");
    remote.ClassKey(HKEY_CURRENT_USER);
    remote.SectionKey(this->baseText());
    remote.ValueKey(u"v");
    remote.Default(Variant(u"none"));
    EXPECT_EQ(remote.Value(), Variant(u"none"));  // not this computer's value
    EXPECT_EQ(this->hooks().OpenHandleCount(), 0);
  }
}

TEST(ValueReadCalls, AnExistingValueTakesOneProbeAndOneFetch) {
  cregistry::MemoryRegistry memory;
  cregistry::HookedService hooks(memory);
  memory.Store(kHkcu, "Software\\Demo", "Size", 1, Bytes("abcdef\0"));
  cRegistry reg(hooks);
  reg.ClassKey(HKEY_CURRENT_USER);
  reg.SectionKey(u"Software\\Demo");
  reg.ValueKey(u"Size");
  EXPECT_EQ(reg.Value(), Variant(u"abcdef"));
  EXPECT_EQ(hooks.CountCalls(Operation::kQueryValue), 2);
  const auto& calls = hooks.Calls();
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0].value, 1u);  // opened for query only
  EXPECT_EQ(calls[1].value, 0u);  // the probe offers no room
  EXPECT_EQ(calls[2].value, 7u);  // the fetch offers exactly the size
  hooks.ClearCalls();
  reg.ValueKey(u"Missing");
  reg.Value();
  EXPECT_EQ(hooks.CountCalls(Operation::kQueryValue), 1);
  EXPECT_EQ(hooks.OpenHandleCount(), 0);
}

TEST(ValueReadCalls, AValueRewrittenBetweenProbeAndFetchIsProbedAgain) {
  cregistry::MemoryRegistry memory;
  cregistry::HookedService hooks(memory);
  memory.Store(kHkcu, "Software\\Demo", "v", 1, Bytes("abc\0"));
  cRegistry reg(hooks);
  reg.ClassKey(HKEY_CURRENT_USER);
  reg.SectionKey(u"Software\\Demo");
  reg.ValueKey(u"v");
  reg.Default(Variant(u"default"));
  // The fetch finds more data than the probe reported, once: probe again.
  hooks.InjectFault(Operation::kQueryValue, cregistry::status::kMoreData, 2);
  EXPECT_EQ(reg.Value(), Variant(u"abc"));
  EXPECT_EQ(hooks.CountCalls(Operation::kQueryValue), 4);
  // Always more data: give up after a bounded number of probes. A read that
  // yields Default leaves ValueType as it was.
  hooks.ClearCalls();
  hooks.InjectFault(Operation::kQueryValue, cregistry::status::kMoreData);
  reg.ValueType(42);
  EXPECT_EQ(reg.Value(), Variant(u"default"));
  EXPECT_LE(hooks.CountCalls(Operation::kQueryValue), 8);
  hooks.ClearFaults();
  // The value is gone by the fetch.
  hooks.InjectFault(Operation::kQueryValue, cregistry::status::kFileNotFound, 2);
  EXPECT_EQ(reg.Value(), Variant(u"default"));
  EXPECT_EQ(reg.ValueType(), 42);
  EXPECT_EQ(hooks.OpenHandleCount(), 0);
}

TEST(ValueReadCalls, ReversesBigEndianBytesWithFourSingleByteCopies) {
  cregistry::MemoryRegistry memory;
  cregistry::HookedService hooks(memory);
  memory.Store(kHkcu, "S", "v", 5, Bytes("\x12\x34\x56\x78"));
  cRegistry reg(hooks);
  reg.ClassKey(HKEY_CURRENT_USER);
  reg.SectionKey(u"S");
  reg.ValueKey(u"v");
  EXPECT_EQ(reg.Value(), Variant(0x12345678));
  EXPECT_EQ(hooks.CountCalls(Operation::kMoveBytes), 4);
}

TEST(ValueReadCalls, FailedExpansionLeavesTheTextAsStored) {
  cregistry::MemoryRegistry memory;
  cregistry::HookedService hooks(memory);
  memory.Store(kHkcu, "S", "v", 2, Bytes("%A%\\b\0"));
  memory.SetVariable("A", "expanded");
  cRegistry reg(hooks);
  reg.ClassKey(HKEY_CURRENT_USER);
  reg.SectionKey(u"S");
  reg.ValueKey(u"v");
  EXPECT_EQ(reg.Value(), Variant(u"expanded\\b"));
  hooks.InjectFault(Operation::kExpandEnvironment, 0);
  EXPECT_EQ(reg.Value(), Variant(u"%A%\\b"));
  hooks.ClearFaults();
  // The second expansion fails, or the environment grows between the two
  // and the second asks for more room than the first said.
  hooks.InjectFault(Operation::kExpandEnvironment, 0, 2);
  EXPECT_EQ(reg.Value(), Variant(u"%A%\\b"));
  hooks.ClearCalls();
  hooks.BeforeCall(
      Operation::kExpandEnvironment, [&] { memory.SetVariable("A", "grown longer"); }, 2);
  EXPECT_EQ(reg.Value(), Variant(u"grown longer\\b"));
  EXPECT_EQ(hooks.CountCalls(Operation::kExpandEnvironment), 3);
  // An environment that grows before every call: the read gives up, boundedly.
  hooks.ClearCalls();
  for (int call = 2; call <= 10; ++call) {  // four times as long each time
    const std::string value(std::size_t{1} << (2 * call), 'x');
    hooks.BeforeCall(
        Operation::kExpandEnvironment, [&memory, value] { memory.SetVariable("A", value); }, call);
  }
  EXPECT_EQ(reg.Value(), Variant(u"%A%\\b"));
  EXPECT_LE(hooks.CountCalls(Operation::kExpandEnvironment), 8);
  hooks.ClearFaults();
  memory.SetVariable("A", "expanded");
  // A variable whose value is empty expands to nothing.
  memory.Store(kHkcu, "S", "v", 2, Bytes("%E%\0"));
  memory.SetVariable("E", "");
  EXPECT_EQ(reg.Value(), Variant(u""));
}

TEST(ValueReadCalls, ReadsFromAConnectedComputer) {
  cregistry::MemoryRegistry memory;
  cregistry::HookedService hooks(memory);
  memory.AddComputer("\\\\OTHER");
  memory.Store(kHkcu, "S", "v", 1, Bytes("local\0"));
  cRegistry reg(hooks);
  reg.ClassKey(HKEY_CURRENT_USER);
  reg.SectionKey(u"S");
  reg.ValueKey(u"v");
  reg.Default(Variant(u"none"));
  reg.Machine(u"OTHER");
  EXPECT_EQ(reg.Value(), Variant(u"none"));  // the other computer has none
  reg.ValueType(REG_SZ);
  reg.Value(Variant(u"remote"));
  EXPECT_EQ(reg.Value(), Variant(u"remote"));
  EXPECT_EQ(hooks.CountCalls(Operation::kConnectRegistry), 3);
  reg.Machine(u"");
  EXPECT_EQ(reg.Value(), Variant(u"local"));
  EXPECT_EQ(hooks.OpenHandleCount(), 0);
}

}  // namespace
