// CreateEXEAssociation and CreateAdditionalEXEAssociations.
#include "registry_fixture.h"

namespace {

using namespace testing_support;
using cregistry::Text;

// No text becomes a Boolean: a text, or any other pointer, in one of the
// three Boolean positions does not compile (a menu text passed one position
// too far would otherwise register its command). Numbers count as before.
template <typename Print, typename New, typename Install, typename = void>
struct Compiles : std::false_type {};
template <typename Print, typename New, typename Install>
struct Compiles<Print, New, Install,
                std::void_t<decltype(std::declval<cRegistry&>().CreateEXEAssociation(
                    u"", u"", u"", u"", u"", std::declval<Print>(), u"", std::declval<New>(), u"",
                    std::declval<Install>()))>> : std::true_type {};
using Literal = const char16_t (&)[8];  // u"&Stampa"
static_assert(Compiles<bool, bool, bool>::value);
static_assert(Compiles<int, unsigned char, long long>::value);
static_assert(!Compiles<Literal, bool, bool>::value);
static_assert(!Compiles<bool, const char16_t*, bool>::value);
static_assert(!Compiles<bool, bool, const wchar_t*>::value);
static_assert(!Compiles<const char*, bool, bool>::value);
static_assert(!Compiles<bool, std::nullptr_t, bool>::value);
static_assert(!Compiles<bool, bool, const void*>::value);

// The class tables are shared by the whole machine: every test uses its own
// extension and class, and removes them afterwards.
template <typename Backend>
class Associations : public RegistryTest<Backend> {
 protected:
  void SetUp() override {
    RegistryTest<Backend>::SetUp();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    tag_ = std::string("rpvtest") + std::to_string(std::hash<std::string>{}(info->name()) % 100000);
    Clean();
  }
  void TearDown() override {
    Clean();
    RegistryTest<Backend>::TearDown();
  }
  void Clean() {
    for (const auto root : {HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE}) {
      const std::string prefix = root == HKEY_LOCAL_MACHINE ? "SOFTWARE\\Classes\\" : "";
      DeleteTree(this->service(), cregistry::RootHandle(root), prefix + "." + tag_);
      DeleteTree(this->service(), cregistry::RootHandle(root), prefix + ClassName());
    }
  }
  std::string ClassName() const { return "RPV.Test." + tag_; }
  Text ClassText() const { return cregistry::FromUtf8(ClassName()); }
  Text Extension() const { return cregistry::FromUtf8(tag_); }

  // The default value of a key below both class tables, which must agree.
  std::optional<std::string> Stored(const std::string& path, std::uint32_t* type = nullptr) {
    std::optional<std::string> found[2];
    std::uint32_t types[2] = {0, 0};
    const std::string paths[2] = {path, "SOFTWARE\\Classes\\" + path};
    const std::int32_t roots[2] = {HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE};
    for (int i = 0; i < 2; ++i) {
      cregistry::KeyHandle key = 0;
      if (this->service().OpenKey(cregistry::RootHandle(roots[i]), paths[i],
                                  cregistry::access::kQueryValue, key) != 0) {
        continue;
      }
      std::uint32_t size = 0;
      if (this->service().QueryValue(key, "", &types[i], nullptr, &size) == 0) {
        std::string data(size, '\0');
        this->service().QueryValue(key, "", &types[i], reinterpret_cast<std::uint8_t*>(data.data()),
                                   &size);
        data.resize(size);
        if (!data.empty() && data.back() == '\0') data.pop_back();
        found[i] = data;
      }
      this->service().CloseKey(key);
    }
    EXPECT_EQ(found[0], found[1]) << path;
    EXPECT_EQ(types[0], types[1]) << path;
    if (type) *type = types[0];
    return found[0];
  }

  std::string tag_;
};
TYPED_TEST_SUITE(Associations, Backends, BackendNames);

// A 32-bit program's associations reach a 64-bit program's classes: the
// classes of file types are shared between the views of 64-bit Windows.
// Read on the in-memory registry by a 64-bit program on the same computer,
// on advapi32 by this program in the 64-bit view.
template <typename Backend>
class AssociationViews : public Associations<Backend> {};
TYPED_TEST_SUITE(AssociationViews, ViewBackends, BackendNames);

TYPED_TEST(AssociationViews, ReachThe64BitViewOfTheClasses) {
  this->reg->CreateEXEAssociation(u"C:\\Tools\\viewer.exe", this->ClassText(), u"Demo file",
                                  this->Extension(), u"", false, u"", false, u"", false, u"", 0);
  cregistry::RegistryService* reader = &this->service();
  std::optional<cregistry::MemoryRegistry> native;
  if (auto* memory = this->memory(); memory && memory->Kind() != Program::kOn32BitWindows) {
    reader = &native.emplace(*memory, Program::k64BitOn64BitWindows);
  }
  const std::string cls = this->ClassName();
  for (const std::string& path : {"." + this->tag_, cls, cls + "\\shell\\open\\command"}) {
    for (const auto& [root, below] :
         {std::pair{HKEY_CLASSES_ROOT, std::string()},
          std::pair{HKEY_LOCAL_MACHINE, std::string("SOFTWARE\\Classes\\")}}) {
      cregistry::KeyHandle key = 0;
      EXPECT_EQ(reader->OpenKey(cregistry::RootHandle(root), below + path,
                                cregistry::access::kQueryValue | cregistry::access::kView64, key),
                0)
          << below + path;
      reader->CloseKey(key);
    }
  }
}

TYPED_TEST(Associations, RegistersExtensionClassOpenCommandAndIcon) {
  const std::string cls = this->ClassName();
  this->reg->ValueKey(u"stale");  // every value is a key's default value
  this->reg->CreateEXEAssociation(u"  C:\\Tools\\viewer.exe ", this->ClassText(), u"Demo file",
                                  this->Extension(), u"", false, u"", false, u"", false, u"", 0);
  EXPECT_EQ(this->Stored("." + this->tag_), cls);
  EXPECT_EQ(this->Stored(cls), "Demo file");
  EXPECT_EQ(this->Stored(cls + "\\shell\\open"), "&Open");
  EXPECT_EQ(this->Stored(cls + "\\shell\\open\\command"), "\"C:\\Tools\\viewer.exe\" \"%1\"");
  EXPECT_EQ(this->Stored(cls + "\\DefaultIcon"), "\"C:\\Tools\\viewer.exe\",0");
  EXPECT_FALSE(this->Stored(cls + "\\shell\\print").has_value());
  EXPECT_EQ(this->reg->ClassKey(), HKEY_LOCAL_MACHINE);
  EXPECT_EQ(this->reg->SectionKey(), this->ClassText() + u"\\DefaultIcon");
  EXPECT_EQ(this->reg->ValueKey(), u"");
  EXPECT_EQ(this->reg->ValueType(), 1);
}

TYPED_TEST(Associations, WritesOptionalCommandsInTheirOrderWithDefaultTexts) {
  const std::string cls = this->ClassName();
  if (auto* memory = this->memory()) this->hooks().ClearCalls();
  this->reg->CreateEXEAssociation(u"\"C:\\My App\\a.exe\"", this->ClassText(), u"D",
                                  this->Extension(), u"Apri", true, u"", true, u"", true, u"");
  EXPECT_EQ(this->Stored(cls + "\\shell\\open"), "Apri");
  EXPECT_EQ(this->Stored(cls + "\\shell\\print"), "&Print");
  EXPECT_EQ(this->Stored(cls + "\\shell\\print\\command"), "\"C:\\My App\\a.exe\" /p \"%1\"");
  EXPECT_EQ(this->Stored(cls + "\\shell\\add"), "&Install " + this->tag_);
  EXPECT_EQ(this->Stored(cls + "\\shell\\add\\command"), "\"C:\\My App\\a.exe\" /a \"%1\"");
  EXPECT_EQ(this->Stored(cls + "\\shell\\new"), "&New");
  EXPECT_EQ(this->Stored(cls + "\\shell\\new\\command"), "\"C:\\My App\\a.exe\" /n \"%1\"");
  EXPECT_FALSE(this->Stored(cls + "\\DefaultIcon").has_value());  // left out: -1
  EXPECT_EQ(this->reg->SectionKey(), this->ClassText() + u"\\shell\\new\\command");
  if (auto* memory = this->memory()) {
    // Here HKEY_CLASSES_ROOT is HKEY_LOCAL_MACHINE\SOFTWARE\Classes: the
    // calls tell the two tables apart.
    std::vector<std::string> order, machine;
    for (const auto& call : this->hooks().Calls()) {
      if (call.operation == cregistry::Operation::kCreateKey) {
        (call.key == cregistry::RootHandle(HKEY_CLASSES_ROOT) ? order : machine)
            .push_back(call.name);
      }
    }
    ASSERT_EQ(machine.size(), order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
      EXPECT_EQ(machine[i], "SOFTWARE\\Classes\\" + order[i]);
    }
    const std::string shell = cls + "\\shell\\";
    EXPECT_EQ(order, (std::vector<std::string>{
                         "." + this->tag_, cls, shell + "open", shell + "open\\command",
                         shell + "print", shell + "print\\command", shell + "add",
                         shell + "add\\command", shell + "new", shell + "new\\command"}));
  }
}

TYPED_TEST(Associations, QuotesThePathAsNeeded) {
  const struct {
    Text path;
    std::string quoted;
  } rows[] = {
      {u"C:\\a.exe", "\"C:\\a.exe\""},
      {u"\"C:\\a.exe\"", "\"C:\\a.exe\""},
      {u"\"C:\\a.exe", "\"C:\\a.exe\""},
      {u"   ", "\""},
      {u"", "\""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.quoted);
    this->reg->CreateEXEAssociation(row.path, this->ClassText(), u"D", this->Extension());
    EXPECT_EQ(this->Stored(this->ClassName() + "\\shell\\open\\command"), row.quoted + " \"%1\"");
  }
}

TYPED_TEST(Associations, APathWithAPercentPairIsStoredExpandable) {
  const std::string cls = this->ClassName();
  this->reg->CreateEXEAssociation(u"%ProgramFiles%\\v.exe", this->ClassText(), u"D",
                                  this->Extension(), u"", false, u"", false, u"", false, u"", 2);
  std::uint32_t type = 0;
  EXPECT_EQ(this->Stored(cls + "\\shell\\open\\command", &type),
            "\"%ProgramFiles%\\v.exe\" \"%1\"");
  EXPECT_EQ(type, 2u);
  EXPECT_EQ(this->Stored(cls + "\\DefaultIcon", &type), "\"%ProgramFiles%\\v.exe\",2");
  EXPECT_EQ(type, 2u);
  this->Stored(cls + "\\shell\\open", &type);
  EXPECT_EQ(type, 1u);
  this->Stored("." + this->tag_, &type);
  EXPECT_EQ(type, 1u);
}

TYPED_TEST(Associations, AdditionalCommandsFollowTheClassOnTheSameObject) {
  const std::string cls = this->ClassName();
  this->reg->CreateEXEAssociation(u"C:\\v.exe", this->ClassText(), u"D", this->Extension());
  this->reg->ValueKey(u"stale");     // the commands are default values,
  this->reg->ValueType(REG_BINARY);  // written as text all the same
  this->reg->CreateAdditionalEXEAssociations(
      this->ClassText(),
      {u"edit", u"&Modifica", u"\"C:\\v.exe\" /x \"%1\"", u"view", u"&Vedi", u"notepad %1"});
  EXPECT_EQ(this->Stored(cls + "\\shell\\edit"), "&Modifica");
  EXPECT_EQ(this->Stored(cls + "\\shell\\edit\\command"), "\"C:\\v.exe\" /x \"%1\"");
  EXPECT_EQ(this->Stored(cls + "\\shell\\view\\command"), "notepad %1");
  EXPECT_EQ(this->reg->ClassKey(), HKEY_LOCAL_MACHINE);
  EXPECT_EQ(this->reg->SectionKey(), this->ClassText() + u"\\shell\\view\\command");
  EXPECT_EQ(this->reg->ValueType(), 1);
}

TYPED_TEST(Associations, AdditionalCommandsRaiseTheirTwoErrors) {
  this->Address("", u"v");
  this->reg->ValueType(4);
  for (const std::size_t items : {1u, 4u, 5u}) {
    ExpectRaises(
        [&] {
          this->reg->CreateAdditionalEXEAssociations(this->ClassText(),
                                                     std::vector<Text>(items, u"x"));
        },
        error_number::kBadAssociationList,
        u"Invalid parameter list passed to CreateAdditionalEXEAssociations - "
        u"expected Name/Text/Command");
    EXPECT_EQ(this->reg->SectionKey(), this->baseText());  // unchanged
  }
  ExpectRaises([&] { this->reg->CreateAdditionalEXEAssociations(this->ClassText(), {}); },
               error_number::kClassNotDefined,
               u"Error - attempt to create additional associations before class defined.");
  EXPECT_EQ(this->reg->SectionKey(), this->ClassText());
  EXPECT_EQ(this->reg->ClassKey(), HKEY_CURRENT_USER);
  EXPECT_EQ(this->reg->ValueType(), 4);
  EXPECT_FALSE(this->Stored(this->ClassName()).has_value());
}

TYPED_TEST(Associations, NoItemsForADefinedClassWritesNothing) {
  this->reg->CreateEXEAssociation(u"C:\\v.exe", this->ClassText(), u"D", this->Extension());
  this->reg->ClassKey(HKEY_CURRENT_USER);
  this->reg->ValueKey(u"kept");
  this->reg->CreateAdditionalEXEAssociations(this->ClassText(), {});
  EXPECT_EQ(this->reg->SectionKey(), this->ClassText());
  EXPECT_EQ(this->reg->ClassKey(), HKEY_CURRENT_USER);
  EXPECT_EQ(this->reg->ValueKey(), u"kept");
}

TEST(AssociationCalls, TheFirstFailingWriteEndsTheRegistration) {
  cregistry::MemoryRegistry memory;
  cregistry::HookedService hooks(memory);
  cRegistry reg(hooks);
  // The third store (row 2 below HKEY_CLASSES_ROOT) is refused.
  hooks.InjectFault(cregistry::Operation::kSetValue, cregistry::status::kAccessDenied, 3);
  EXPECT_THROW(reg.CreateEXEAssociation(u"C:\\v.exe", u"Demo.File", u"D", u"dmf"), RegistryError);
  const auto classes = cregistry::RootHandle(HKEY_CLASSES_ROOT);
  EXPECT_TRUE(memory.Stored(classes, ".dmf", "").has_value());
  EXPECT_FALSE(memory.Stored(classes, "Demo.File", "").has_value());
  EXPECT_FALSE(memory.KeyPresent(classes, "Demo.File\\shell"));
  EXPECT_EQ(reg.ClassKey(), HKEY_CLASSES_ROOT);
  EXPECT_EQ(reg.SectionKey(), u"Demo.File");
  EXPECT_EQ(hooks.OpenHandleCount(), 0);
}

TEST(AssociationCalls, FailedAdditionalWritesArePassedOver) {
  cregistry::MemoryRegistry memory;
  cregistry::HookedService hooks(memory);
  cRegistry reg(hooks);
  reg.CreateEXEAssociation(u"C:\\v.exe", u"Demo.File", u"D", u"dmf");
  hooks.ClearCalls();
  // The first write of the first triple's menu text fails: its second write
  // is skipped with it, and everything after still runs.
  hooks.InjectFault(cregistry::Operation::kSetValue, cregistry::status::kAccessDenied, 1);
  // A failure that is no registry status (no memory) in the last command's
  // first write is passed over too.
  hooks.InjectException(cregistry::Operation::kSetValue, std::make_exception_ptr(std::bad_alloc()),
                        6);
  reg.CreateAdditionalEXEAssociations(u"Demo.File", {u"a", u"A", u"ca", u"b", u"B", u"cb"});
  EXPECT_EQ(hooks.CountCalls(cregistry::Operation::kSetValue), 5);
  const auto classes = cregistry::RootHandle(HKEY_CLASSES_ROOT);
  EXPECT_TRUE(memory.Stored(classes, "Demo.File\\shell\\a\\command", "").has_value());
  EXPECT_TRUE(memory.Stored(classes, "Demo.File\\shell\\b", "").has_value());
  EXPECT_EQ(reg.SectionKey(), u"Demo.File\\shell\\b\\command");
}

}  // namespace
