// Every service call inside every public member, failed in turn; and bad
// input. Nothing may crash, leak a handle, raise anything but a
// RegistryError, or write where it was not asked to.
#include <algorithm>
#include <functional>
#include <set>
#include <stdexcept>

#include "registry_fixture.h"
#include "threads.h"

namespace {

using namespace testing_support;
using cregistry::MemoryRegistry;
using cregistry::Operation;
using cregistry::Text;

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

// What the members work on, below the test's own key: a key S with three
// values, the sub-keys S\Child and S\Leaf, and Other beside it; a computer
// to connect to and an environment variable for the expansion.
struct Scene {
  Text s, leaf;
  Text computer;
};

void Address(cRegistry& reg, const Text& section, const Text& value, std::int32_t type) {
  reg.ClassKey(HKEY_CURRENT_USER);
  reg.SectionKey(section);
  reg.ValueKey(value);
  reg.ValueType(type);
  reg.Default(Variant(u"default"));
}

// Runs the call, then sets back what the member set for it, also when the
// call throws.
void Restoring(const std::function<void()>& call, const std::function<void()>& restore) {
  try {
    call();
  } catch (...) {
    restore();
    throw;
  }
  restore();
}

// The class of the association members, under names of this suite's own.
constexpr char16_t kExtension[] = u"rpvsweep";
constexpr char16_t kClass[] = u"RPV.Sweep.File";

std::vector<Member> Members(const Scene& scene) {
  constexpr auto kFailed = error_number::kRegistryFailure;
  constexpr auto kStore = error_number::kSetValueFailed;
  NameList names;
  std::int32_t count = 0;
  return {
      {"KeyExists", [](cRegistry& r) { r.KeyExists(); }, OnFailure::kNeverRaises, {}, true},
      {"CreateKey", [](cRegistry& r) { r.CreateKey(); }, OnFailure::kMayRaise, {kFailed}, true},
      {"DeleteKey",
       [scene](cRegistry& r) {
         r.SectionKey(scene.leaf);
         Restoring([&] { r.DeleteKey(); }, [&] { r.SectionKey(scene.s); });
       },
       OnFailure::kNeverRaises,
       {},
       true},
      {"DeleteTree", [](cRegistry& r) { r.DeleteTree(); }, OnFailure::kNeverRaises, {}, true},
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
       [scene](cRegistry& r) {
         r.Machine(scene.computer);
         Restoring([&] { r.Value(); }, [&] { r.Machine(u""); });
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
       [scene](cRegistry& r) {
         r.Machine(scene.computer);
         Restoring([&] { r.Value(Variant(7)); }, [&] { r.Machine(u""); });
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
       [scene](cRegistry& r) {
         r.ValueEx(HKEY_CURRENT_USER, scene.s, u"text", 1, Variant(u"default"));
       },
       OnFailure::kNeverRaises,
       {},
       false},
      {"ValueEx write",
       [scene](cRegistry& r) {
         r.ValueEx(HKEY_CURRENT_USER, scene.s, u"text", 1, Variant(u"default"), Variant(u""));
       },
       OnFailure::kMayRaise,
       {kFailed, kStore},
       true},
      {"CreateEXEAssociation",
       [](cRegistry& r) {
         r.CreateEXEAssociation(u"C:\\v.exe", kClass, u"D", kExtension, u"", true, u"", true, u"",
                                true, u"", 0);
       },
       OnFailure::kMayRaise,
       {kFailed, kStore},
       false},
      {"CreateAdditionalEXEAssociations",
       [](cRegistry& r) {
         r.ClassKey(HKEY_CLASSES_ROOT);
         r.SectionKey(kClass);
         r.ValueType(REG_SZ);
         r.Value(Variant(u"D"));  // the class, registered without faults
         r.CreateAdditionalEXEAssociations(kClass, {u"a", u"A", u"ca", u"b", u"B", u"cb"});
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

// The sweep, on the in-memory registry and on advapi32: each member runs
// once cleanly, then once for every service call that the clean run made,
// with that call failed.
template <typename Backend>
class FaultSweep : public OnBackend<Backend> {
 protected:
  // The scene, arranged afresh; the association keys removed.
  void Arrange() {
    for (const auto root : {HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE}) {
      const std::string tables = root == HKEY_CLASSES_ROOT ? "" : "SOFTWARE\\Classes\\";
      for (const Text& name : {Text(u".") + kExtension, Text(kClass)}) {
        EXPECT_TRUE(DeleteTree(this->service(), cregistry::RootHandle(root),
                               tables + cregistry::ToUtf8(name)));
      }
    }
    EXPECT_TRUE(DeleteTree(this->service(), kHkcu, this->base()));
    const std::string s = this->base() + "\\S";
    this->Put(s, "text", 1, Bytes("abc\0"));
    this->Put(s, "expand", 2, Bytes("%RPV_SWEEP%x\0"));
    this->Put(s, "big", 5, Bytes("\0\0\1\0"));
    this->Put(s + "\\Child", "", 1, Bytes("c\0"));
    this->Put(s + "\\Leaf", "", 1, {});
    this->Put(this->base() + "\\Other", "keep", 4, Bytes("\1\0\0\0"));
  }
  Scene MakeScene() {
    Scene scene{this->baseText() + u"\\S", this->baseText() + u"\\S\\Leaf", u""};
    if (auto* memory = this->memory()) {
      memory->AddComputer("\\\\OTHER");  // a registry of its own
      memory->SetVariable("RPV_SWEEP", "expanded");
      scene.computer = u"OTHER";
    } else {
      scene.computer = ThisComputer();
      SetVariable("RPV_SWEEP", "expanded");
    }
    return scene;
  }
};
using SweepBackends =
#ifdef _WIN32
    ::testing::Types<MemoryBackend<1252>, Win32Backend>;
#else
    ::testing::Types<MemoryBackend<1252> >;
#endif
TYPED_TEST_SUITE(FaultSweep, SweepBackends, BackendNames);

TYPED_TEST(FaultSweep, EveryServiceCallOfEveryMemberFailedInTurn) {
  constexpr cregistry::Status kThrows = -1;  // the call throws instead
  const cregistry::Status failures[] = {cregistry::status::kAccessDenied,
                                        cregistry::status::kMoreData,
                                        cregistry::status::kFileNotFound};
  auto& hooks = this->hooks();
  auto* memory = this->memory();
  const Scene scene = this->MakeScene();
  for (const auto& member : Members(scene)) {
    SCOPED_TRACE(member.name);
    // A clean run: the calls it makes and, on the in-memory registry, the
    // registry it leaves.
    this->Arrange();
    std::set<std::string> allowed;
    if (memory) {
      const auto before = memory->Dump();
      allowed.insert(before.begin(), before.end());
    }
    hooks.ClearCalls();
    cRegistry cleanReg(hooks);
    Address(cleanReg, scene.s, u"text", REG_SZ);
    ASSERT_NO_THROW(member.call(cleanReg));
    const auto calls = hooks.Calls();
    if (memory) {
      const auto after = memory->Dump();
      allowed.insert(after.begin(), after.end());
    }
    ASSERT_FALSE(calls.empty());

    for (std::size_t k = 0; k < calls.size(); ++k) {
      const auto op = calls[k].operation;
      const int occurrence = static_cast<int>(
          std::count_if(calls.begin(), calls.begin() + static_cast<long>(k) + 1,
                        [op](const cregistry::RecordedCall& c) { return c.operation == op; }));
      // Each failure a status (a close's is ignored), then an exception: a
      // close's comes from an action before it, since a close never throws.
      std::vector<cregistry::Status> modes;
      if (op != Operation::kCloseKey) modes.assign(std::begin(failures), std::end(failures));
      modes.push_back(kThrows);
      for (const auto mode : modes) {
        SCOPED_TRACE("call " + std::to_string(k) + " fails with " + std::to_string(mode));
        this->Arrange();
        cRegistry reg(hooks);
        Address(reg, scene.s, u"text", REG_SZ);
        const Snapshot start = Take(reg);
        hooks.ClearFaults();
        const auto injected = std::make_exception_ptr(std::runtime_error("injected"));
        if (mode != kThrows) {
          hooks.InjectFault(op, mode, occurrence);
        } else if (op == Operation::kCloseKey) {
          hooks.BeforeCall(
              op, [injected] { std::rethrow_exception(injected); }, occurrence);
        } else {
          hooks.InjectException(op, injected, occurrence);
        }
        try {
          member.call(reg);
          // A member that completes passed a thrown failure over, or the
          // failure met a close, which kept it.
          if (mode == kThrows && op == Operation::kCloseKey) {
            EXPECT_EQ(hooks.CloseFailures().size(), 1u);
          }
        } catch (const RegistryError& error) {
          const bool wrapped =  // the one member that turns any failure into its own
              mode == kThrows && error.Number == error_number::kEnumerateSectionsFailed;
          EXPECT_TRUE(wrapped || member.onFailure == OnFailure::kMayRaise) << error.Number;
          EXPECT_TRUE(wrapped || member.numbers.count(error.Number)) << "raised " << error.Number;
          EXPECT_FALSE(error.Description.empty());
          if (error.Number != error_number::kClassNotDefined && !wrapped) {
            EXPECT_EQ(error.Source, u"registry_tests.cRegistry");
            EXPECT_EQ(error.ServiceStatus, mode) << "the failing call's status";
          }
        } catch (const std::runtime_error& failure) {
          // A failure of another kind reaches the caller unchanged.
          EXPECT_EQ(mode, kThrows);
          EXPECT_NE(op, Operation::kCloseKey);
          EXPECT_STREQ(failure.what(), "injected");
        } catch (...) {
          ADD_FAILURE() << "something other than a RegistryError escaped";
        }
        hooks.ClearFaults();
        EXPECT_EQ(hooks.OpenHandleCount(), 0);
        if (member.keepsProperties) {
          EXPECT_EQ(Take(reg), start);
        } else {
          EXPECT_EQ(reg.Machine(), start.machine);
        }
        if (memory) {
          for (const auto& line : memory->Dump()) {
            EXPECT_TRUE(allowed.count(line)) << "written where not asked: " << line;
          }
        }
      }
    }
  }
  this->Arrange();  // leaves no association keys behind
}

TEST(FaultInjection, MessagesNeverCarryTheServiceStatus) {
  MemoryRegistry memory;
  cregistry::HookedService hooks(memory);
  cRegistry reg(hooks);
  Address(reg, u"S", u"Size", REG_DWORD);
  hooks.InjectFault(Operation::kSetValue, 1234567);
  const auto error = ExpectRaises([&] { reg.Value(Variant(42)); }, error_number::kSetValueFailed,
                                  u"Failed to set registry value Key: '-2147483647',Section: "
                                  u"'S',Key: 'Size' to value: '42'");
  EXPECT_EQ(cregistry::ToUtf8(error.Description).find("1234567"), std::string::npos);
  EXPECT_EQ(error.ServiceStatus, 1234567);  // but the error does
}

// Each hook fires on exactly the occurrence it was set for, whatever else is
// set for the same operation and in whatever order; what the calls of an
// action make counts as no occurrence.
TEST(FaultInjection, EachHookFiresOnTheOccurrenceItWasSetFor) {
  enum Kind { kFault, kThrow, kAction, kCallingAction };
  struct Hook {
    Kind kind;
    int occurrence;
  };
  struct Row {
    std::vector<Hook> hooks;            // set in this order
    std::vector<std::string> expected;  // what each of five calls met
  };
  const std::vector<std::string> probeThenFetch = {"F1", "F2", "ok", "ok", "ok"};
  const Row rows[] = {
      {{{kFault, 1}, {kFault, 2}}, probeThenFetch},
      {{{kFault, 2}, {kFault, 1}}, probeThenFetch},
      {{{kThrow, 3}, {kFault, 2}, {kAction, 2}, {kAction, 4}}, {"ok", "AF2", "T", "Aok", "ok"}},
      {{{kAction, 4}, {kAction, 2}, {kFault, 2}, {kThrow, 3}}, {"ok", "AF2", "T", "Aok", "ok"}},
      {{{kFault, 0}, {kThrow, 2}}, {"F0", "T", "F0", "F0", "F0"}},
      {{{kThrow, 2}, {kFault, 0}}, {"F0", "T", "F0", "F0", "F0"}},
      {{{kCallingAction, 1}, {kFault, 2}}, {"Aok", "F2", "ok", "ok", "ok"}},
      {{{kFault, 0}, {kFault, 2}}, {"F0", "F2", "F0", "F0", "F0"}},
      {{{kThrow, 2}, {kAction, 2}}, {"ok", "AT", "ok", "ok", "ok"}},
  };
  for (const auto& row : rows) {
    MemoryRegistry memory;
    memory.Store(kHkcu, "S", "v", 4, Bytes("\1\0\0\0"));
    cregistry::HookedService hooks(memory);
    cregistry::KeyHandle key = 0;
    ASSERT_EQ(memory.OpenKey(kHkcu, "S", cregistry::access::kQueryValue, key), 0);
    std::string met;
    const auto query = [&] {
      std::uint32_t type = 0, size = 0;
      return hooks.QueryValue(key, "v", &type, nullptr, &size);
    };
    std::string trace;
    for (const auto& hook : row.hooks) {
      trace += std::to_string(hook.kind) + "@" + std::to_string(hook.occurrence) + " ";
      switch (hook.kind) {
        case kFault:
          hooks.InjectFault(Operation::kQueryValue, hook.occurrence + 1000, hook.occurrence);
          break;
        case kThrow:
          hooks.InjectException(Operation::kQueryValue,
                                std::make_exception_ptr(std::runtime_error("x")), hook.occurrence);
          break;
        case kAction:
        case kCallingAction:
          hooks.BeforeCall(
              Operation::kQueryValue,
              [&met, &query, calls = hook.kind == kCallingAction] {
                met += "A";
                if (calls) query();
              },
              hook.occurrence);
          break;
      }
    }
    SCOPED_TRACE(trace);
    std::vector<std::string> seen;
    for (int call = 1; call <= 5; ++call) {
      met.clear();
      try {
        const cregistry::Status st = query();
        met += st == 0 ? "ok" : "F" + std::to_string(st - 1000);
      } catch (const std::runtime_error&) {
        met += "T";
      }
      seen.push_back(met);
    }
    EXPECT_EQ(seen, row.expected);
    memory.CloseKey(key);
  }
}

TEST(FaultInjection, AnExceptionIsRefusedForACloseWhenItIsInjected) {
  MemoryRegistry memory;
  cregistry::HookedService hooks(memory);
  EXPECT_THROW(
      hooks.InjectException(Operation::kCloseKey, std::make_exception_ptr(std::runtime_error("x"))),
      std::invalid_argument);
  EXPECT_THROW(hooks.InjectException(Operation::kOpenKey, nullptr), std::invalid_argument);
  cRegistry reg(hooks);
  Address(reg, u"S", u"v", REG_SZ);
  reg.Value(Variant(u"x"));  // no exception was left waiting for the close
  EXPECT_EQ(hooks.OpenHandleCount(), 0);
  EXPECT_TRUE(hooks.CloseFailures().empty());
  // An action before a close that throws is kept, and takes nothing else
  // set for that close with it.
  int ran = 0;
  hooks.BeforeCall(Operation::kCloseKey, [] { throw std::runtime_error("x"); });
  hooks.BeforeCall(Operation::kCloseKey, [&ran] { ++ran; });
  hooks.InjectFault(Operation::kCloseKey, cregistry::status::kInvalidHandle, 1);
  cregistry::KeyHandle key = 0;
  ASSERT_EQ(hooks.OpenKey(kHkcu, "S", cregistry::access::kQueryValue, key), 0);
  EXPECT_EQ(hooks.CloseKey(key), cregistry::status::kInvalidHandle);
  EXPECT_EQ(ran, 1);
  EXPECT_EQ(hooks.CloseFailures().size(), 1u);
  EXPECT_EQ(hooks.OpenHandleCount(), 0);
}

TEST(BadInput, RootsThatNameNoHive) {
  for (const std::int32_t root : {0, 7, -1}) {
    SCOPED_TRACE(root);
    MemoryRegistry memory;
    cregistry::HookedService hooks(memory);
    cRegistry reg(hooks);
    Address(reg, u"Software\\X", u"v", REG_SZ);
    reg.ClassKey(root);
    EXPECT_FALSE(reg.KeyExists());
    EXPECT_FALSE(reg.DeleteKey());
    EXPECT_EQ(reg.Value(), Variant(u"default"));
    ExpectRaises([&] { reg.CreateKey(); }, 26001);
    ExpectRaises([&] { reg.DeleteValue(); }, 26001,
                 (u"Failed to open key '" + cregistry::DecimalText(root) +
                  u"',Section: 'Software\\X' for delete access")
                     .c_str());
    ExpectRaises([&] { reg.Value(Variant(u"x")); }, 26001);
    NameList names;
    std::int32_t count = 5;
    EXPECT_TRUE(reg.EnumerateValues(names, count));
    EXPECT_TRUE(reg.EnumerateSections(names, count));
    EXPECT_EQ(count, 0);
    EXPECT_EQ(hooks.OpenHandleCount(), 0);
    EXPECT_EQ(memory.Dump(), MemoryRegistry().Dump());
  }
}

TEST(BadInput, SectionPathsOfEveryLength) {
  MemoryRegistry memory;
  cregistry::HookedService hooks(memory);
  cRegistry reg(hooks);
  Address(reg, u"", u"v", REG_SZ);
  // The empty path is the root itself.
  EXPECT_TRUE(reg.KeyExists());
  EXPECT_FALSE(reg.DeleteKey());
  // A level longer than 255 characters is refused, and nothing is created.
  reg.SectionKey(u"Vendor\\" + Text(256, u'x') + u"\\y");
  ExpectRaises([&] { reg.CreateKey(); }, 26001);
  ExpectRaises([&] { reg.Value(Variant(u"x")); }, 26001);
  EXPECT_FALSE(memory.KeyPresent(kHkcu, "Vendor"));
  // As deep as Windows keeps a tree: 509 levels below HKEY_CURRENT_USER,
  // which is level 3 of 512. A level more is refused with 87.
  Text deep = u"Deep";
  for (int i = 1; i < 509; ++i) deep += u"\\L";
  reg.SectionKey(deep);
  reg.Value(Variant(u"bottom"));
  EXPECT_EQ(reg.Value(), Variant(u"bottom"));
  EXPECT_TRUE(reg.KeyExists());
  reg.SectionKey(deep + u"\\L\\L");
  EXPECT_EQ(ExpectRaises([&] { reg.Value(Variant(u"x")); }, 26001).ServiceStatus,
            cregistry::status::kInvalidParameter);
  EXPECT_FALSE(reg.KeyExists());
  EXPECT_EQ(hooks.OpenHandleCount(), 0);
}

// At Windows' limits and beyond them, on a Windows main thread's stack:
// a chain made a level at a time stops at level 512, a .reg file deeper
// than that is refused whole, and a tree as deep as Windows keeps it is
// listed, written out, read back, removed and freed.
TEST(BadInput, TreesAtAndBeyondWindowsLimitsOnAOneMegabyteStack) {
  RunThreads(
      1,
      [](int) {
        MemoryRegistry memory;
        cregistry::KeyHandle level = kHkcu;
        int made = 0;
        for (cregistry::Status st = 0; made < 5000; ++made) {
          cregistry::KeyHandle next = 0;
          st = memory.CreateKey(level, "L", cregistry::access::kCreateSubKey, next);
          if (level != kHkcu) memory.CloseKey(level);
          if (st != 0) {
            EXPECT_EQ(st, cregistry::status::kInvalidParameter);
            break;
          }
          level = next;
        }
        EXPECT_EQ(made, 509);  // HKEY_CURRENT_USER is level 3 of 512
        std::string path = "L";
        for (int i = 1; i < 5000; ++i) path += "\\L";
        const auto before = memory.Dump();
        EXPECT_THROW(memory.ImportReg("REGEDIT4\n[HKCU\\" + path + "]\n"), cregistry::RegFileError);
        EXPECT_EQ(memory.Dump(), before);
        EXPECT_EQ(before.size(), MemoryRegistry().Dump().size() + 509);
        const std::string snapshot = memory.ExportReg(kHkcu, "L");
        MemoryRegistry copy;
        copy.ImportReg(snapshot);
        EXPECT_EQ(copy.ExportReg(kHkcu, "L"), snapshot);
        memory.Remove(kHkcu, "L");
        EXPECT_FALSE(memory.KeyPresent(kHkcu, "L"));
      },
      kWindowsStack);
}

// The direct access makes only what Windows could hold, whatever the
// access rights, and where it refuses it changes nothing.
TEST(BadInput, TheDirectAccessMakesOnlyWhatWindowsCouldHold) {
  std::string deep = "D";  // to level 512: HKEY_CURRENT_USER is 3
  for (int level = 5; level <= 512; ++level) deep += "\\D";
  const auto one = Bytes("\1\0\0\0");
  const struct {
    const char* what;
    std::function<bool(MemoryRegistry&)> call;
    bool made;
  } rows[] = {
      {"a key at level 512", [&](MemoryRegistry& m) { return m.Store(kHkcu, deep, "v", 4, one); },
       true},
      {"a key below level 512",
       [&](MemoryRegistry& m) { return m.Store(kHkcu, deep + "\\D", "v", 4, one); }, false},
      {"a wide key below level 512",
       [&](MemoryRegistry& m) { return m.AddWideKey(kHkcu, deep, u"w"); }, false},
      {"a link below level 512",
       [&](MemoryRegistry& m) { return m.AddLink(kHkcu, deep + "\\L", kHkcu, "T"); }, false},
      {"a denial below level 512",
       [&](MemoryRegistry& m) { return m.DenyAccess(kHkcu, deep + "\\D", 1); }, false},
      {"a key's name of 256 characters",
       [&](MemoryRegistry& m) {
         return m.Store(kHkcu, "S\\" + std::string(256, 'k'), "v", 4, one);
       },
       false},
      {"a value's name of 16384 characters",
       [&](MemoryRegistry& m) { return m.Store(kHkcu, "S", std::string(16384, 'n'), 4, one); },
       false},
      {"a key below a link",
       [&](MemoryRegistry& m) { return m.Store(kHkcu, "Link\\Sub", "v", 4, one); }, false},
      {"a wide key below a link",
       [&](MemoryRegistry& m) { return m.AddWideKey(kHkcu, "Link", u"w"); }, false},
      {"a value in a link", [&](MemoryRegistry& m) { return m.Store(kHkcu, "Link", "v", 4, one); },
       false},
      {"a key below one whose creation is denied",
       [&](MemoryRegistry& m) { return m.Store(kHkcu, "Locked\\Sub", "v", 4, one); }, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    MemoryRegistry memory;
    ASSERT_TRUE(memory.AddLink(kHkcu, "Link", kHkcu, "T"));
    ASSERT_TRUE(memory.DenyAccess(kHkcu, "Locked", cregistry::access::kCreateSubKey));
    const auto before = memory.Dump();
    EXPECT_EQ(row.call(memory), row.made);
    if (!row.made) {
      EXPECT_EQ(memory.Dump(), before);
    }
  }
  // HKEY_USERS holds the current user's key, which is HKEY_CURRENT_USER.
  MemoryRegistry memory;
  memory.Store(kHkcu, "Software\\Demo", "v", 4, one);
  const auto users = cregistry::RootHandle(INT32_MIN + 3);
  EXPECT_TRUE(memory.Stored(users, "S-1-5-21-0-0-0-1000\\Software\\Demo", "v"));
  EXPECT_EQ(memory.DeleteKey(users, "S-1-5-21-0-0-0-1000"), cregistry::status::kAccessDenied);
}

TEST(BadInput, ValueNamesUpToTheLongest) {
  MemoryRegistry memory;
  cregistry::HookedService hooks(memory);
  cRegistry reg(hooks);
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
  EXPECT_EQ(hooks.OpenHandleCount(), 0);
}

TEST(BadInput, TextsAndArraysOutOfTheOrdinary) {
  MemoryRegistry memory;
  cregistry::HookedService hooks(memory);
  cRegistry reg(hooks);
  Address(reg, u"S", u"v", REG_SZ);
  // An embedded U+0000 in a text is data, and is kept.
  reg.Value(Variant(Text(u"a\0b", 3)));
  EXPECT_EQ(reg.Value(), Variant(Text(u"a\0b", 3)));
  // In a name it would cut the name short: refused.
  reg.ValueKey(Text(u"v\0w", 3));
  ExpectRaises([&] { reg.Value(Variant(u"x")); }, error_number::kSetValueFailed);
  reg.ValueKey(u"v");
  // Unpaired surrogates and characters outside the code page are refused.
  // Nothing was sent: no service status to tell.
  EXPECT_EQ(
      ExpectRaises([&] { reg.Value(Variant(Text(1, u'\xD800'))); }, error_number::kSetValueFailed)
          .ServiceStatus,
      0);
  reg.ValueType(REG_BINARY);
  const ByteArray arrays[] = {{INT32_MIN, {1}},
                              {INT32_MAX, {1, 2, 3}},
                              {-5, {}},
                              {0, std::vector<std::uint8_t>(100000, 7)}};
  for (const auto& array : arrays) {
    reg.Value(Variant(array));
    EXPECT_EQ(reg.Value(), Variant(ByteArray{0, array.Bytes}));
  }
  EXPECT_EQ(hooks.OpenHandleCount(), 0);
}

}  // namespace
