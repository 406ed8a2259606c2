// Every service call inside every public member, failed in turn; and bad
// input. Nothing may crash, leak a handle, raise anything but a
// RegistryError, or write where it was not asked to.
#include <algorithm>
#include <functional>
#include <set>

#include "registry_fixture.h"

namespace {

using namespace testing_support;
using platform::MemoryRegistry;
using platform::Operation;
using platform::Text;

// What a member promises when one of its service calls fails.
enum class OnFailure {
  kNeverRaises,  // a Boolean, Default or an empty list instead
  kMayRaise,     // a RegistryError of the listed numbers
};

struct Member {
  const char* name;
  std::function<void(cRegistry&)> call;
  OnFailure onFailure;
  std::set<std::int32_t> numbers;  // the errors it may raise
  bool keepsProperties;            // the addressing properties stay as they were
};

void Arrange(MemoryRegistry& memory) {
  memory.Store(kHkcu, "S", "text", 1, Bytes("abc\0"));
  memory.Store(kHkcu, "S", "expand", 2, Bytes("%A%x\0"));
  memory.Store(kHkcu, "S", "big", 5, Bytes("\0\0\1\0"));
  memory.Store(kHkcu, "S\\Child", "", 1, Bytes("c\0"));
  memory.Store(kHkcu, "S\\Leaf", "", 1, {});
  memory.Store(kHkcu, "Other", "keep", 4, Bytes("\1\0\0\0"));
  memory.AddComputer("\\\\OTHER");
  memory.SetVariable("A", "expanded");
}

void Address(cRegistry& reg, const Text& section, const Text& value, std::int32_t type) {
  reg.ClassKey(HKEY_CURRENT_USER);
  reg.SectionKey(section);
  reg.ValueKey(value);
  reg.ValueType(type);
  reg.Default(Variant(u"default"));
}

std::vector<Member> Members() {
  constexpr auto kFailed = error_number::kRegistryFailure;
  constexpr auto kStore = error_number::kSetValueFailed;
  NameList names;
  std::int32_t count = 0;
  return {
      {"KeyExists", [](cRegistry& r) { r.KeyExists(); }, OnFailure::kNeverRaises, {}, true},
      {"CreateKey", [](cRegistry& r) { r.CreateKey(); }, OnFailure::kMayRaise, {kFailed}, true},
      {"DeleteKey",
       [](cRegistry& r) {
         r.SectionKey(u"S\\Leaf");
         r.DeleteKey();
         r.SectionKey(u"S");
       },
       OnFailure::kNeverRaises,
       {},
       true},
      {"DeleteValue", [](cRegistry& r) { r.DeleteValue(); }, OnFailure::kMayRaise, {kFailed}, true},
      {"Value read", [](cRegistry& r) { r.Value(); }, OnFailure::kNeverRaises, {}, false},
      {"Value read expandable",
       [](cRegistry& r) {
         r.ValueKey(u"expand");
         r.Value();
         r.ValueKey(u"text");
       },
       OnFailure::kNeverRaises,
       {},
       false},
      {"Value read big-endian",
       [](cRegistry& r) {
         r.ValueKey(u"big");
         r.Value();
         r.ValueKey(u"text");
       },
       OnFailure::kNeverRaises,
       {},
       false},
      {"Value read remote",
       [](cRegistry& r) {
         r.Machine(u"OTHER");
         r.Value();
         r.Machine(u"");
       },
       OnFailure::kNeverRaises,
       {},
       false},
      {"Value write text",
       [](cRegistry& r) { r.Value(Variant(u"new")); },
       OnFailure::kMayRaise,
       {kFailed, kStore},
       true},
      {"Value write remote",
       [](cRegistry& r) {
         r.Machine(u"OTHER");
         try {
           r.Value(Variant(7));
         } catch (...) {
           r.Machine(u"");
           throw;
         }
         r.Machine(u"");
       },
       OnFailure::kMayRaise,
       {kFailed, kStore},
       true},
      {"EnumerateValues",
       [names, count](cRegistry& r) mutable { EXPECT_TRUE(r.EnumerateValues(names, count)); },
       OnFailure::kNeverRaises,
       {},
       true},
      {"EnumerateSections",
       [names, count](cRegistry& r) mutable { EXPECT_TRUE(r.EnumerateSections(names, count)); },
       OnFailure::kNeverRaises,
       {},
       true},
      {"ValueEx read",
       [](cRegistry& r) { r.ValueEx(HKEY_CURRENT_USER, u"S", u"text", 1, Variant(u"default")); },
       OnFailure::kNeverRaises,
       {},
       false},
      {"ValueEx write",
       [](cRegistry& r) {
         r.ValueEx(HKEY_CURRENT_USER, u"S", u"text", 1, Variant(u"default"), Variant(u""));
       },
       OnFailure::kMayRaise,
       {kFailed, kStore},
       true},
      {"CreateEXEAssociation",
       [](cRegistry& r) {
         r.CreateEXEAssociation(u"C:\\v.exe", u"Demo.File", u"D", u"dmf", u"", true, u"", true, u"",
                                true, u"", 0);
       },
       OnFailure::kMayRaise,
       {kFailed, kStore},
       false},
      {"CreateAdditionalEXEAssociations",
       [](cRegistry& r) {
         r.ClassKey(HKEY_CLASSES_ROOT);
         r.SectionKey(u"Demo.File");
         r.ValueType(REG_SZ);
         r.Value(Variant(u"D"));  // the class, registered without faults
         r.CreateAdditionalEXEAssociations(u"Demo.File", {u"a", u"A", u"ca", u"b", u"B", u"cb"});
       },
       OnFailure::kMayRaise,
       {kFailed, kStore, error_number::kClassNotDefined},
       false},
  };
}

struct Snapshot {
  std::int32_t classKey, valueType;
  Text section, value, machine;
  Variant fallback;
  bool operator==(const Snapshot&) const = default;
};

Snapshot Take(const cRegistry& reg) {
  return {reg.ClassKey(), reg.ValueType(), reg.SectionKey(),
          reg.ValueKey(), reg.Machine(),   reg.Default()};
}

TEST(FaultInjection, EveryServiceCallOfEveryMemberFailedInTurn) {
  const platform::Status failures[] = {platform::status::kAccessDenied, platform::status::kMoreData,
                                       platform::status::kFileNotFound};
  for (const auto& member : Members()) {
    SCOPED_TRACE(member.name);
    // A clean run: the calls it makes and the registry it leaves.
    MemoryRegistry clean;
    Arrange(clean);
    const auto before = clean.Dump();
    cRegistry cleanReg(clean);
    Address(cleanReg, u"S", u"text", REG_SZ);
    clean.ClearCalls();
    ASSERT_NO_THROW(member.call(cleanReg));
    const auto calls = clean.Calls();
    const auto after = clean.Dump();
    std::set<std::string> allowed(before.begin(), before.end());
    allowed.insert(after.begin(), after.end());
    ASSERT_FALSE(calls.empty());

    for (std::size_t k = 0; k < calls.size(); ++k) {
      if (calls[k].operation == Operation::kCloseKey) continue;  // its status is ignored
      const auto op = calls[k].operation;
      const int occurrence = static_cast<int>(
          std::count_if(calls.begin(), calls.begin() + static_cast<long>(k) + 1,
                        [op](const platform::RecordedCall& c) { return c.operation == op; }));
      for (const auto status : failures) {
        SCOPED_TRACE("call " + std::to_string(k) + " fails with " + std::to_string(status));
        MemoryRegistry memory;
        Arrange(memory);
        cRegistry reg(memory);
        Address(reg, u"S", u"text", REG_SZ);
        const Snapshot start = Take(reg);
        memory.InjectFault(op, status, occurrence);
        try {
          member.call(reg);
        } catch (const RegistryError& error) {
          EXPECT_EQ(member.onFailure, OnFailure::kMayRaise) << "raised " << error.Number;
          EXPECT_TRUE(member.numbers.count(error.Number)) << "raised " << error.Number;
          EXPECT_FALSE(error.Description.empty());
          if (error.Number != error_number::kClassNotDefined) {
            EXPECT_EQ(error.Source, u"registry_tests.cRegistry");
          }
        } catch (...) {
          ADD_FAILURE() << "something other than a RegistryError escaped";
        }
        EXPECT_EQ(memory.OpenHandleCount(), 0);
        if (member.keepsProperties) {
          EXPECT_EQ(Take(reg), start);
        } else {
          EXPECT_EQ(reg.Machine(), start.machine);
        }
        for (const auto& line : memory.Dump()) {
          EXPECT_TRUE(allowed.count(line)) << "written where not asked: " << line;
        }
      }
    }
  }
}

TEST(FaultInjection, MessagesNeverCarryTheServiceStatus) {
  MemoryRegistry memory;
  cRegistry reg(memory);
  Address(reg, u"S", u"Size", REG_DWORD);
  memory.InjectFault(Operation::kSetValue, 1234567);
  const auto error = ExpectRaises([&] { reg.Value(Variant(42)); }, error_number::kSetValueFailed,
                                  u"Failed to set registry value Key: '-2147483647',Section: "
                                  u"'S',Key: 'Size' to value: '42'");
  EXPECT_EQ(platform::ToUtf8(error.Description).find("1234567"), std::string::npos);
}

TEST(BadInput, RootsThatNameNoHive) {
  for (const std::int32_t root : {0, 7, -1}) {
    SCOPED_TRACE(root);
    MemoryRegistry memory;
    cRegistry reg(memory);
    Address(reg, u"Software\\X", u"v", REG_SZ);
    reg.ClassKey(root);
    EXPECT_FALSE(reg.KeyExists());
    EXPECT_FALSE(reg.DeleteKey());
    EXPECT_EQ(reg.Value(), Variant(u"default"));
    ExpectRaises([&] { reg.CreateKey(); }, 26001);
    ExpectRaises([&] { reg.DeleteValue(); }, 26001,
                 (u"Failed to open key '" + platform::DecimalText(root) +
                  u"',Section: 'Software\\X' for delete access")
                     .c_str());
    ExpectRaises([&] { reg.Value(Variant(u"x")); }, 26001);
    NameList names;
    std::int32_t count = 5;
    EXPECT_TRUE(reg.EnumerateValues(names, count));
    EXPECT_TRUE(reg.EnumerateSections(names, count));
    EXPECT_EQ(count, 0);
    EXPECT_EQ(memory.OpenHandleCount(), 0);
    EXPECT_EQ(memory.Dump(), MemoryRegistry().Dump());
  }
}

TEST(BadInput, SectionPathsOfEveryLength) {
  MemoryRegistry memory;
  cRegistry reg(memory);
  Address(reg, u"", u"v", REG_SZ);
  // The empty path is the root itself.
  EXPECT_TRUE(reg.KeyExists());
  EXPECT_FALSE(reg.DeleteKey());
  // A level longer than 255 characters is refused, and nothing is created.
  reg.SectionKey(u"Software\\" + Text(256, u'x') + u"\\y");
  ExpectRaises([&] { reg.CreateKey(); }, 26001);
  ExpectRaises([&] { reg.Value(Variant(u"x")); }, 26001);
  EXPECT_FALSE(memory.KeyPresent(kHkcu, "Software"));
  // A thousand levels.
  Text deep = u"Deep";
  for (int i = 0; i < 999; ++i) deep += u"\\L";
  reg.SectionKey(deep);
  reg.Value(Variant(u"bottom"));
  EXPECT_EQ(reg.Value(), Variant(u"bottom"));
  EXPECT_TRUE(reg.KeyExists());
  EXPECT_EQ(memory.OpenHandleCount(), 0);
}

TEST(BadInput, ValueNamesUpToTheLongest) {
  MemoryRegistry memory;
  cRegistry reg(memory);
  Address(reg, u"S", Text(16383, u'n'), REG_SZ);
  reg.Value(Variant(u"longest"));
  EXPECT_EQ(reg.Value(), Variant(u"longest"));
  NameList names;
  std::int32_t count = 0;
  reg.EnumerateValues(names, count);
  ASSERT_EQ(count, 1);
  EXPECT_EQ(names(1).size(), 16383u);
  reg.ValueKey(Text(16384, u'n'));
  ExpectRaises([&] { reg.Value(Variant(u"x")); }, error_number::kSetValueFailed);
  EXPECT_EQ(memory.OpenHandleCount(), 0);
}

TEST(BadInput, TextsAndArraysOutOfTheOrdinary) {
  MemoryRegistry memory;
  cRegistry reg(memory);
  Address(reg, u"S", u"v", REG_SZ);
  // An embedded U+0000 in a text is data, and is kept.
  reg.Value(Variant(Text(u"a\0b", 3)));
  EXPECT_EQ(reg.Value(), Variant(Text(u"a\0b", 3)));
  // In a name it would cut the name short: refused.
  reg.ValueKey(Text(u"v\0w", 3));
  ExpectRaises([&] { reg.Value(Variant(u"x")); }, error_number::kSetValueFailed);
  reg.ValueKey(u"v");
  // Unpaired surrogates and characters outside the code page are refused.
  ExpectRaises([&] { reg.Value(Variant(Text(1, u'\xD800'))); }, error_number::kSetValueFailed);
  reg.ValueType(REG_BINARY);
  const ByteArray arrays[] = {{INT32_MIN, {1}},
                              {INT32_MAX, {1, 2, 3}},
                              {-5, {}},
                              {0, std::vector<std::uint8_t>(100000, 7)}};
  for (const auto& array : arrays) {
    reg.Value(Variant(array));
    EXPECT_EQ(reg.Value(), Variant(ByteArray{0, array.Bytes}));
  }
  EXPECT_EQ(memory.OpenHandleCount(), 0);
}

}  // namespace
