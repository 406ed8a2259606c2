// What the registry class relies on of the registry service, checked on the
// backend in use: the in-memory registry natively, advapi32 under Wine.
#include <cstdlib>
#include <cstring>
#include <optional>

#include "test_support.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using namespace testing_support;
using cregistry::KeyHandle;
using cregistry::Status;
using cregistry::Text;
using cregistry::ToUtf8;
namespace access = cregistry::access;
namespace status = cregistry::status;

template <typename Backend>
class ServiceContract : public OnBackend<Backend> {
 protected:
  KeyHandle Create(const std::string& path, std::uint32_t mask = access::kAllValueAndKeyRights) {
    KeyHandle key = 0;
    EXPECT_EQ(this->service().CreateKey(kHkcu, path, mask, key), status::kSuccess) << path;
    return key;
  }
  KeyHandle Open(const std::string& path, std::uint32_t mask, Status expected = 0) {
    KeyHandle key = 0;
    EXPECT_EQ(this->service().OpenKey(kHkcu, path, mask, key), expected) << path;
    return key;
  }
  void Close(KeyHandle key) { EXPECT_EQ(this->service().CloseKey(key), 0); }
  // The byte after the count is no NUL (see OnBackend::Put).
  void Set(KeyHandle key, const std::string& name, std::uint32_t type, std::string_view data) {
    const std::string bytes = std::string(data) + '\xBD';
    EXPECT_EQ(this->service().SetValue(key, name, type,
                                       reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                       static_cast<std::uint32_t>(data.size())),
              0);
  }
};
TYPED_TEST_SUITE(ServiceContract, Backends, BackendNames);

TYPED_TEST(ServiceContract, CreateMakesEveryMissingLevelInOneCallAndOpensExisting) {
  const std::string path = this->base() + "\\One\\Two\\Three";
  const KeyHandle created = this->Create(path);
  ASSERT_NE(created, 0u);
  this->Close(created);
  EXPECT_TRUE(this->Exists(this->base() + "\\One"));
  EXPECT_TRUE(this->Exists(this->base() + "\\One\\Two"));
  // An existing key is opened, and its values stay.
  this->Put(path, "kept", 1, Bytes("x\0"));
  this->Close(this->Create(path));
  EXPECT_EQ(this->Get(path, "kept").status, 0);
  // Names compare without regard to case and keep their case.
  this->Close(this->Create(this->base() + "\\oNE\\two"));
  KeyHandle parent = this->Open(this->base(), access::kEnumerateSubKeys);
  char name[256] = {};
  EXPECT_EQ(this->service().EnumKey(parent, 0, name, sizeof name), 0);
  EXPECT_STREQ(name, "One");
  this->Close(parent);
}

TYPED_TEST(ServiceContract, OpenReportsMissingKeysAndInvalidParents) {
  this->Open(this->base() + "\\Nowhere", access::kQueryValue, status::kFileNotFound);
  KeyHandle key = 0;
  EXPECT_EQ(this->service().OpenKey(0, "Software", access::kQueryValue, key),
            status::kInvalidHandle);
  EXPECT_EQ(this->service().CreateKey(0, "Software", access::kAllValueAndKeyRights, key),
            status::kInvalidHandle);
  EXPECT_EQ(this->service().DeleteKey(0, "Software"), status::kInvalidHandle);
  // 7 names no root; Wine answers 2 where Windows answers 6: both fail.
  EXPECT_NE(this->service().OpenKey(7, "Software", access::kQueryValue, key), 0);
  // A leading backslash is a malformed path, not the root.
  this->Open("\\Software", access::kQueryValue, 161);
}

TYPED_TEST(ServiceContract, HandlesStayValidUntilClosedAndEnforceTheirAccess) {
  const KeyHandle writer = this->Create(this->base());
  const KeyHandle reader = this->Open(this->base(), access::kQueryValue);
  // Other calls in between do not disturb either handle.
  this->Close(this->Create(this->base() + "\\Other"));
  this->Set(writer, "v", 4, std::string_view("\x01\0\0\0", 4));
  std::uint32_t type = 0, size = 0;
  EXPECT_EQ(this->service().QueryValue(reader, "v", &type, nullptr, &size), 0);
  EXPECT_EQ(size, 4u);
  // A handle opened for query can neither store nor list sub-keys.
  const std::uint8_t byte = 1;
  EXPECT_EQ(this->service().SetValue(reader, "w", 3, &byte, 1), status::kAccessDenied);
  char name[256];
  EXPECT_EQ(this->service().EnumKey(reader, 0, name, sizeof name), status::kAccessDenied);
  this->Close(reader);
  // A closed handle's value is given out again, as Windows reuses them:
  // however many opens, none comes round to a root's value.
  const KeyHandle again = this->Open(this->base(), access::kQueryValue);
  EXPECT_EQ(again, reader);
  this->Close(again);
  this->Close(writer);
}

TYPED_TEST(ServiceContract, DeleteKeyRemovesALeafAndRefusesAKeyWithSubKeys) {
  this->Put(this->base() + "\\Parent\\Child", "", 1, Bytes("c\0"));
  this->Put(this->base() + "\\Parent", "p", 1, Bytes("p\0"));
  EXPECT_EQ(this->service().DeleteKey(kHkcu, this->base() + "\\Parent"), status::kAccessDenied);
  EXPECT_TRUE(this->Exists(this->base() + "\\Parent\\Child"));
  EXPECT_EQ(this->service().DeleteKey(kHkcu, this->base() + "\\Parent\\Child"), 0);
  EXPECT_EQ(this->service().DeleteKey(kHkcu, this->base() + "\\Parent"), 0);
  EXPECT_FALSE(this->Exists(this->base() + "\\Parent"));
  EXPECT_EQ(this->service().DeleteKey(kHkcu, this->base() + "\\Parent"), status::kFileNotFound);
  EXPECT_EQ(this->service().DeleteKey(kHkcu, ""), status::kAccessDenied);  // never a root
  // Nor a hive's root or a key behind a predefined root, by any call: an
  // empty HKEY_CLASSES_ROOT too (as the stand-in's is). On advapi32, in the
  // 64-bit view: Wine 8's 32-bit view of the classes is its link
  // Wow6432Node\Classes, which it deletes (Windows shares the classes).
  const auto machine = cregistry::RootHandle(INT32_MIN + 2);
  const std::uint32_t view = this->memory() ? 0 : access::kView64;
  for (const char* fixed : {"SOFTWARE\\Classes", "SOFTWARE"}) {
    SCOPED_TRACE(fixed);
    EXPECT_EQ(this->service().DeleteKeyEx(machine, fixed, view), status::kAccessDenied);
    KeyHandle key = 0;
    ASSERT_EQ(this->service().OpenKeyNoFollow(machine, fixed, access::kDelete | view, key), 0);
    EXPECT_EQ(this->service().DeleteOpenKey(key), status::kAccessDenied);
    this->Close(key);
  }
  if (auto* memory = this->memory()) {
    memory->Remove(machine, "SOFTWARE");
    memory->Store(cregistry::RootHandle(INT32_MIN), ".rpvcontract", "v", 1, Bytes("c\0"));
    EXPECT_TRUE(memory->Stored(machine, "SOFTWARE\\Classes\\.rpvcontract", "v"));
    memory->Remove(machine, "SOFTWARE\\Classes\\.rpvcontract");
  }
}

TYPED_TEST(ServiceContract, DeletionNeedsTheRightToDeleteAndNothingElse) {
  auto* memory = this->memory();
  if (!memory) return Skip("DenyAccess is the stand-in's");
  const std::string unreadable = this->base() + "\\Unreadable", kept = this->base() + "\\Kept";
  memory->DenyAccess(kHkcu, unreadable, access::kQueryValue);
  memory->DenyAccess(kHkcu, kept, access::kDelete);
  EXPECT_EQ(this->service().DeleteKey(kHkcu, unreadable), 0);
  EXPECT_EQ(this->service().DeleteKey(kHkcu, kept), status::kAccessDenied);
  this->Open(kept, access::kDelete, status::kAccessDenied);
  const KeyHandle key = this->Open(kept, access::kQueryValue);
  EXPECT_EQ(this->service().DeleteOpenKey(key), status::kAccessDenied);  // not the handle's right
  this->Close(key);
  EXPECT_TRUE(memory->KeyPresent(kHkcu, kept));
  memory->Remove(kHkcu, kept);
}

TYPED_TEST(ServiceContract, ALinkLeadsToItsTargetUnlessTheLinkItselfIsAsked) {
  const std::string link = this->base() + "\\Link", target = this->base() + "\\Target";
  auto& service = this->service();
  this->MakeLink(link, target);
  this->Open(link, access::kQueryValue, status::kFileNotFound);  // it leads nowhere yet
  // A creation through it makes its target, where the target's parent is.
  this->Close(this->Create(link));
  EXPECT_TRUE(this->Exists(target));
  this->Put(target, "v", 4, Bytes("\1\0\0\0"));
  EXPECT_EQ(this->Get(link, "v").data, Bytes("\1\0\0\0"));
  EXPECT_EQ(this->Get(link, "SymbolicLinkValue").status, status::kFileNotFound);
  // The link itself holds its target, in UTF-16, and nothing else.
  KeyHandle itself = 0;
  ASSERT_EQ(service.OpenKeyNoFollow(kHkcu, link, 0xF003F, itself), 0);
  std::uint32_t type = 0, size = 0;
  EXPECT_EQ(service.QueryValue(itself, "SymbolicLinkValue", &type, nullptr, &size), 0);
  EXPECT_EQ(type, 6u);
  std::vector<std::uint8_t> native(size);
  service.QueryValue(itself, "SymbolicLinkValue", &type, native.data(), &size);
  const std::u16string tail = u"\\Target";
  ASSERT_GE(native.size(), tail.size() * 2);
  for (std::size_t i = 0; i < tail.size(); ++i) {
    EXPECT_EQ(native[native.size() - 2 * tail.size() + 2 * i], tail[i]);
  }
  const std::uint8_t one = 1;
  EXPECT_EQ(service.SetValue(itself, "v", 3, &one, 1), status::kAccessDenied);
  char name[64];
  EXPECT_EQ(service.EnumKey(itself, 0, name, sizeof name), status::kNoMoreItems);
  // RegDeleteKeyA deletes the target; only a delete of the link's own
  // handle deletes the link.
  EXPECT_EQ(service.DeleteKey(kHkcu, link), 0);
  EXPECT_FALSE(this->Exists(target));
  EXPECT_EQ(service.DeleteOpenKey(itself), 0);
  this->Close(itself);
  KeyHandle gone = 0;
  EXPECT_EQ(service.OpenKeyNoFollow(kHkcu, link, access::kQueryValue, gone), status::kFileNotFound);
  // Such a delete needs the handle's right, and an empty key.
  this->Put(this->base() + "\\Parent\\Child", "", 1, Bytes("c\0"));
  const KeyHandle reader = this->Open(this->base() + "\\Parent", access::kQueryValue);
  EXPECT_EQ(service.DeleteOpenKey(reader), status::kAccessDenied);
  this->Close(reader);
  const KeyHandle parent = this->Open(this->base() + "\\Parent", access::kDelete);
  EXPECT_EQ(service.DeleteOpenKey(parent), status::kAccessDenied);
  this->Close(parent);
  EXPECT_TRUE(this->Exists(this->base() + "\\Parent\\Child"));
  EXPECT_EQ(service.DeleteOpenKey(kHkcu), status::kInvalidHandle);  // no handle of the kernel's
  // On the stand-in a link may lead to any root's key, and KeyPath tells
  // where a handle leads: HKEY_CLASSES_ROOT's keys are HKEY_LOCAL_MACHINE's.
  if (auto* memory = this->memory()) {
    const auto classes = cregistry::RootHandle(INT32_MIN);
    ASSERT_TRUE(memory->AddLink(kHkcu, link, classes, ".rpvcontract"));
    memory->Store(classes, ".rpvcontract", "v", 1, Bytes("c\0"));
    const KeyHandle reached = this->Open(link, access::kQueryValue);
    EXPECT_EQ(memory->KeyPath(reached), "HKLM\\SOFTWARE\\Classes\\.rpvcontract");
    this->Close(reached);
    memory->Remove(classes, ".rpvcontract");
  }
}

// Windows marks the handles of keys opened below HKEY_CLASSES_ROOT with 2 in
// their low two bits (its classes view); Wine 8 marks none, a difference
// known from Wine's own tests. Either handle works, and closes.
TYPED_TEST(ServiceContract, KeysOpenedBelowClassesRootCarryItsMark) {
  constexpr char kName[] = ".rpvcontract";
  const auto classes = cregistry::RootHandle(INT32_MIN);
  const auto machine = cregistry::RootHandle(INT32_MIN + 2);
  auto& service = this->service();
  KeyHandle created = 0, below = 0, direct = 0;
  ASSERT_EQ(service.CreateKey(classes, kName, access::kAllValueAndKeyRights, created), 0);
  ASSERT_EQ(service.OpenKey(created, "", access::kQueryValue, below), 0);
  ASSERT_EQ(service.OpenKey(machine, std::string("SOFTWARE\\Classes\\") + kName,
                            access::kQueryValue, direct),
            0);
  const KeyHandle mark = this->memory() ? 2 : (created & 3);
  EXPECT_TRUE(mark == 2 || mark == 0);  // Windows, or Wine 8
  EXPECT_EQ(created & 3, mark);
  EXPECT_EQ(below & 3, mark);
  EXPECT_EQ(direct & 3, 0u);
  this->Set(created, "v", 4, std::string_view("\x07\0\0\0", 4));
  std::uint32_t type = 0, size = 0;
  EXPECT_EQ(service.QueryValue(direct, "v", &type, nullptr, &size), 0);
  EXPECT_EQ(service.QueryValue(below, "v", &type, nullptr, &size), 0);
  for (const KeyHandle key : {created, below, direct}) this->Close(key);
  EXPECT_EQ(this->hooks().OpenHandleCount(), 0);
  EXPECT_EQ(service.DeleteKey(classes, kName), 0);
}

TYPED_TEST(ServiceContract, ValuesComeBackWithTypeCodeAndByteCount) {
  struct Row {
    std::string name;
    std::uint32_t type;
    std::string data;
  };
  const Row rows[] = {
      {"", 1, std::string("default\0", 8)},
      {"text", 1, std::string("abc\0", 4)},
      {"expand", 2, std::string("%TEMP%\\x\0", 9)},
      {"multi", 7, std::string("a\0b\0\0", 5)},
      {"binary", 3, std::string("\x01\x02\x03", 3)},
      {"dword", 4, std::string("\xff\xff\xff\xff", 4)},
      {"qword", 11, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8)},
      {"emptyText", 1, std::string()},
      {"emptyBinary", 3, std::string()},
      {"held " + this->texts().heldBytes, 1, this->texts().heldBytes + std::string(1, '\0')},
  };
  const KeyHandle key = this->Create(this->base());
  for (const auto& row : rows) this->Set(key, row.name, row.type, row.data);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    // Probe with room for nothing: 234 when there are data, 0 when none.
    std::uint32_t type = 0, size = 0, probe = 0xBDBDBDBD;
    const Status probed = this->service().QueryValue(
        key, row.name, &type, reinterpret_cast<std::uint8_t*>(&probe), &size);
    EXPECT_EQ(probed, row.data.empty() ? status::kSuccess : status::kMoreData);
    EXPECT_EQ(type, row.type);
    EXPECT_EQ(size, row.data.size());
    EXPECT_EQ(probe, 0xBDBDBDBDu);  // nothing written into the probe buffer
    // Fetch: exactly the bytes, nothing past the reported size.
    std::vector<std::uint8_t> buffer(size + 8, 0xBD);
    std::uint32_t fetched = size;
    EXPECT_EQ(this->service().QueryValue(key, row.name, &type, buffer.data(), &fetched), 0);
    EXPECT_EQ(fetched, row.data.size());
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + fetched), row.data);
    for (std::size_t i = fetched; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], 0xBD);
  }
  std::uint32_t type = 0, size = 0;
  EXPECT_EQ(this->service().QueryValue(key, "missing", &type, nullptr, &size),
            status::kFileNotFound);
  // A buffer that is too small for an integer's 8 bytes: more data, no copy.
  std::uint32_t small = 0;
  size = 4;
  EXPECT_EQ(this->service().QueryValue(key, "qword", &type, reinterpret_cast<std::uint8_t*>(&small),
                                       &size),
            status::kMoreData);
  EXPECT_EQ(size, 8u);
  this->Close(key);
}

TYPED_TEST(ServiceContract, DeleteValueRemovesNamedAndDefaultValues) {
  const KeyHandle key = this->Create(this->base());
  this->Set(key, "", 1, std::string_view("d\0", 2));
  this->Set(key, "Size", 4, std::string_view("\x01\0\0\0", 4));
  EXPECT_EQ(this->service().DeleteValue(key, "size"), 0);
  EXPECT_EQ(this->service().DeleteValue(key, ""), 0);
  EXPECT_EQ(this->service().DeleteValue(key, "Size"), status::kFileNotFound);
  this->Close(key);
  EXPECT_EQ(this->Get(this->base(), "").status, status::kFileNotFound);
}

TYPED_TEST(ServiceContract, EnumerationGoesByIndexFromZeroAndEnds) {
  const KeyHandle key = this->Create(this->base());
  for (const char* child : {"Beta", "alpha", "Gamma"}) {
    this->Close(this->Create(this->base() + "\\" + child));
  }
  for (const char* value : {"b", "A", "cc"}) this->Set(key, value, 1, std::string_view("\0", 1));
  this->Close(key);

  const KeyHandle lister =
      this->Open(this->base(), access::kEnumerateSubKeys | access::kQueryValue);
  std::vector<std::string> keys;
  Status st = 0;
  std::uint32_t index = 0;
  for (;; ++index) {
    char name[256];
    std::memset(name, 0, sizeof name);
    st = this->service().EnumKey(lister, index, name, sizeof name);
    if (st != 0) break;
    keys.emplace_back(name);
  }
  EXPECT_EQ(st, status::kNoMoreItems);
  EXPECT_EQ(keys, (std::vector<std::string>{"alpha", "Beta", "Gamma"}));
  char tiny[5];
  EXPECT_EQ(this->service().EnumKey(lister, 0, tiny, 5), status::kMoreData);  // "alpha" + NUL

  std::uint32_t longest = 0;
  EXPECT_EQ(this->service().QueryInfoKey(lister, &longest), 0);
  EXPECT_EQ(longest, 2u);
  std::vector<std::string> values;
  for (index = 0;; ++index) {
    char name[8];
    std::uint32_t length = longest + 1;
    st = this->service().EnumValue(lister, index, name, &length);
    if (st != 0) break;
    values.emplace_back(name, length);
  }
  EXPECT_EQ(st, status::kNoMoreItems);
  EXPECT_EQ(values.size(), 3u);
  char name[8];
  std::uint32_t length = 2;  // "cc" needs 3 with its NUL
  bool refused = false;
  for (index = 0; index < 3; ++index) {
    length = 2;
    refused =
        refused || this->service().EnumValue(lister, index, name, &length) == status::kMoreData;
  }
  EXPECT_TRUE(refused);
  this->Close(lister);
}

TYPED_TEST(ServiceContract, ConnectingReachesThisComputerAndNotAnUnknownOne) {
  KeyHandle remote = 0;
  EXPECT_EQ(this->service().ConnectRegistry("\\\\NO-SUCH-COMPUTER-RPV", kHkcu, remote),
            status::kBadNetPath);
  std::string self;
#ifdef _WIN32
  char computer[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD length = sizeof computer;
  ASSERT_TRUE(GetComputerNameA(computer, &length));
  self = std::string("\\\\") + computer;
  if (TypeParam::kIsMemory) self = cregistry::MemoryRegistry::kLocalComputer;
#else
  self = cregistry::MemoryRegistry::kLocalComputer;
#endif
  ASSERT_EQ(this->service().ConnectRegistry(self, kHkcu, remote), 0);
  this->Put(this->base(), "seen", 1, Bytes("y\0"));
  KeyHandle key = 0;
  EXPECT_EQ(this->service().OpenKey(remote, this->base(), access::kQueryValue, key), 0);
  std::uint32_t type = 0, size = 0;
  EXPECT_EQ(this->service().QueryValue(key, "seen", &type, nullptr, &size), 0);
  this->service().CloseKey(key);
  if (!cregistry::IsPredefinedRoot(remote)) this->service().CloseKey(remote);
}

TYPED_TEST(ServiceContract, ExpansionReportsItsLengthWithTheNul) {
#ifdef _WIN32
  SetEnvironmentVariableA("RPV_TEST_VAR", "valore");
#endif
  if (auto* memory = this->memory()) memory->SetVariable("RPV_TEST_VAR", "valore");
  const std::string source = "x%RPV_TEST_VAR%y %RPV_UNSET_VAR% 100%";
  const std::string expected = "xvalorey %RPV_UNSET_VAR% 100%";
  const std::uint32_t needed = this->service().ExpandEnvironment(source, nullptr, 0);
  ASSERT_GE(needed, expected.size() + 1);
  std::string buffer(needed, '\0');
  EXPECT_LE(this->service().ExpandEnvironment(source, buffer.data(), needed), needed);
  EXPECT_STREQ(buffer.c_str(), expected.c_str());

  const std::uint32_t from = 0x12345678;
  std::uint32_t to = 0;
  this->service().MoveBytes(&to, &from, 4);
  EXPECT_EQ(to, from);
}

// ExpandEnvironmentStringsA writes the text only where the buffer has room
// for it, its NUL and one byte more; otherwise an empty text, even into a
// buffer of length 0. Wine 8 writes what fits instead, and asks for one byte
// less: a difference known from Wine's own tests, which Wine has since
// mended.
TYPED_TEST(ServiceContract, ExpansionWritesTheTextOnlyWithRoomForOneByteMore) {
  const std::string text = "Long long value";  // 15 characters
  struct Row {
    std::uint32_t room, windows, wine8;
    const char *windowsText, *wine8Text;
  };
  const Row rows[] = {{0, 17, 16, "", "untouched"},
                      {1, 17, 16, "", ""},
                      {15, 17, 16, "", "Long long valu"},
                      {16, 17, 16, "", "Long long value"},
                      {17, 16, 16, "Long long value", "Long long value"},
                      {64, 16, 16, "Long long value", "Long long value"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.room);
    std::string buffer = "untouched";
    buffer.resize(64, '\0');
    const auto answer = this->service().ExpandEnvironment(text, buffer.data(), row.room);
    const std::string written = buffer.c_str();
    const bool windows = answer == row.windows && written == row.windowsText;
    EXPECT_TRUE(windows || (!this->memory() && answer == row.wine8 && written == row.wine8Text))
        << answer << " \"" << written << "\"";
  }
  const auto probe = this->service().ExpandEnvironment(text, nullptr, 0);
  EXPECT_TRUE(probe == 17 || (!this->memory() && probe == 16)) << probe;
}

TYPED_TEST(ServiceContract, CodePageHoldsItsOwnTextsAndRefusesTheRest) {
  const unsigned codePage = this->service().CodePage();
#ifdef _WIN32
  if (!TypeParam::kIsMemory) {
    const char* expected = std::getenv("RPV_EXPECT_ACP");
    std::printf("GetACP() = %u\n", GetACP());
    ASSERT_EQ(codePage, expected ? std::strtoul(expected, nullptr, 10) : 1252u)
        << "Wine must run in the locale whose code page RPV_EXPECT_ACP names (1252 if unset)";
  }
#endif
  const auto& japanese = TextsFor(932);
  struct Row {
    unsigned codePage;
    cregistry::Text text;
    std::optional<std::string> bytes;  // nothing: refused, never substituted
  };
  const Row rows[] = {
      {1252, u"Si \u00e8 sicuri? citt\u00e0 perch\u00e9 \u20ac",
       "Si \xe8 sicuri? citt\xe0 perch\xe9 \x80"},
      {932, u"citt\u00e0 \u20ac", std::nullopt},
      {65001, u"citt\u00e0 \u20ac", "citt\xc3\xa0 \xe2\x82\xac"},
      {932, japanese.held, japanese.heldBytes},
      {1252, japanese.held, std::nullopt},
      {65001, japanese.held, ToUtf8(japanese.held)},
      // Characters that would map best-fit to "\" are refused; 932 holds
      // the fullwidth backslash exactly.
      {1252, u"Software\uFF3CDemo", std::nullopt},
      {932, u"Software\uFF3CDemo",
       "Software\x81\x5f"
       "Demo"},
      {932, u"Software\u00a5Demo", std::nullopt},
      {1252, u"\u0141\u00f3d\u017a", std::nullopt},  // Polish
      {932, u"\u0141\u00f3d\u017a", std::nullopt},
      {65001, Text(1, u'\xD800'), std::nullopt},
  };
  for (const auto& row : rows) {
    if (row.codePage != codePage) continue;
    SCOPED_TRACE(ToUtf8(row.text));
    EXPECT_EQ(this->service().ToCodePage(row.text), row.bytes);
    if (row.bytes) {
      EXPECT_EQ(this->service().FromCodePage(*row.bytes), row.text);
    }
  }
  EXPECT_EQ(this->service().ToCodePage(u""), std::string());
  // A name that the code page holds reaches the registry and comes back the
  // same; names compare without regard to case: an accented letter, or in
  // 932, which has none, a fullwidth one.
  const auto& texts = this->texts();
  const std::string path = this->base() + "\\" + texts.heldBytes;
  const Text small = codePage == 932 ? u"\uFF41" : u"\u00e9";
  const Text capital = codePage == 932 ? u"\uFF21" : u"\u00c9";
  this->Put(path, *this->service().ToCodePage(texts.held + small), 1, Bytes("x\0"));
  EXPECT_EQ(this->Get(path, *this->service().ToCodePage(texts.held + capital)).data, Bytes("x\0"));
}

// The views of 64-bit Windows, as each kind of program sees them:
// HKEY_LOCAL_MACHINE\SOFTWARE's keys apart (the 32-bit view's below
// Wow6432Node), the shared keys one, a deletion in the view it names. On
// Windows without WOW64 every view is the one registry.
template <typename Backend>
class ServiceViews : public OnBackend<Backend> {
 protected:
  static constexpr char kKey[] = "SOFTWARE\\ResetParametriVelto-test\\Views";
  static constexpr char kClasses[] = "SOFTWARE\\Classes\\.rpvviews";
  void SetUp() override {
    OnBackend<Backend>::SetUp();
    Clean();
  }
  void TearDown() override {
    Clean();
    OnBackend<Backend>::TearDown();
  }
  void Clean() {
    for (const std::uint32_t view : {access::kView32, access::kView64}) {
      EXPECT_TRUE(
          DeleteTree(this->service(), kMachine, "SOFTWARE\\ResetParametriVelto-test", view));
      EXPECT_TRUE(DeleteTree(this->service(), kMachine, kClasses, view));
    }
  }
  void Put(KeyHandle root, const std::string& path, std::uint32_t view, std::uint8_t number) {
    KeyHandle key = 0;
    ASSERT_EQ(this->service().CreateKey(root, path, access::kAllValueAndKeyRights | view, key), 0);
    const std::uint8_t data[4] = {number, 0, 0, 0};
    EXPECT_EQ(this->service().SetValue(key, "v", 4, data, 4), 0);
    this->service().CloseKey(key);
  }
  // The number in v, or the status that stood in the way.
  int Read(KeyHandle root, const std::string& path, std::uint32_t view) {
    KeyHandle key = 0;
    if (const Status st = this->service().OpenKey(root, path, access::kQueryValue | view, key)) {
      return -st;
    }
    std::uint32_t type = 0, size = 4, data = 0;
    const Status st =
        this->service().QueryValue(key, "v", &type, reinterpret_cast<std::uint8_t*>(&data), &size);
    this->service().CloseKey(key);
    return st ? -st : static_cast<int>(data);
  }
  const KeyHandle kMachine = cregistry::RootHandle(INT32_MIN + 2);
};
TYPED_TEST_SUITE(ServiceViews, ViewBackends, BackendNames);

TYPED_TEST(ServiceViews, EachViewReachesItsOwnKeysAndSharesTheRest) {
  const Program kind = TypeParam::Kind();
  const bool views = kind != Program::kOn32BitWindows;
  const auto machine = this->kMachine;
  const std::string key = this->kKey;
  this->Put(machine, key, access::kView32, 32);
  this->Put(machine, key, access::kView64, 64);
  EXPECT_EQ(this->Read(machine, key, access::kView32), views ? 32 : 64);
  EXPECT_EQ(this->Read(machine, key, access::kView64), 64);
  EXPECT_EQ(this->Read(machine, key, 0), kind == Program::k32BitOn64BitWindows ? 32 : 64);
  // The 64-bit view sees the 32-bit view's keys below Wow6432Node; the
  // 32-bit view takes Wow6432Node on its path for its own place.
  const std::string below = "SOFTWARE\\Wow6432Node\\ResetParametriVelto-test\\Views";
  EXPECT_EQ(this->Read(machine, below, access::kView64), views ? 32 : -status::kFileNotFound);
  if (views) {
    EXPECT_EQ(this->Read(machine, below, access::kView32), 32);
  }
  // A handle opened in a view stays in it: what is below it is the view's.
  KeyHandle software = 0;
  ASSERT_EQ(
      this->service().OpenKey(machine, "SOFTWARE", access::kQueryValue | access::kView32, software),
      0);
  // The 32-bit view's SOFTWARE is its Wow6432Node, which no flag leaves, and
  // which the view names as its own place (Wine's test_redirection).
  EXPECT_EQ(this->Read(software, "ResetParametriVelto-test\\Views", 0), views ? 32 : 64);
  EXPECT_EQ(this->Read(software, "ResetParametriVelto-test\\Views", access::kView64),
            views ? 32 : 64);
  this->service().CloseKey(software);
  KeyHandle wow = 0;
  EXPECT_EQ(this->service().OpenKey(machine, "SOFTWARE\\Wow6432Node",
                                    access::kQueryValue | access::kView32, wow),
            views ? 0 : status::kFileNotFound);
  if (wow) {
    EXPECT_EQ(this->Read(wow, "ResetParametriVelto-test\\Views", 0), 32);
    this->service().CloseKey(wow);
  }
  // Shared: HKEY_CURRENT_USER\Software and the classes of file types.
  // Wine 8 keeps a 64-bit program's 32-bit view of the classes apart (its
  // own test_redirection marks that todo_wine).
  const std::string classes = this->kClasses;
  this->Put(machine, classes, access::kView32, 7);
  const int shared = this->Read(machine, classes, access::kView64);
  EXPECT_TRUE(shared == 7 || (!this->memory() && kind == Program::k64BitOn64BitWindows &&
                              shared == -status::kFileNotFound))
      << shared;
  this->Put(kHkcu, this->base(), access::kView32, 9);
  EXPECT_EQ(this->Read(kHkcu, this->base(), access::kView64), 9);
  // A deletion in a view takes that view's key alone.
  EXPECT_EQ(this->service().DeleteKeyEx(machine, key, access::kView32), 0);
  EXPECT_EQ(this->Read(machine, key, access::kView64), views ? 64 : -status::kFileNotFound);
  EXPECT_EQ(this->Read(machine, key, access::kView32), -status::kFileNotFound);
  EXPECT_EQ(this->hooks().OpenHandleCount(), 0);
}

// HKEY_CLASSES_ROOT merges the user's classes over the machine's, key by
// key, on every kind; in the 32-bit view a class's CLSID is below
// Wow6432Node on both sides. Wine 8 has no merged view (its own tests of it
// are marked todo_wine): the stand-in's rows.
TYPED_TEST(ServiceViews, ClassesRootMergesTheUsersClassesOverTheMachines) {
  auto* memory = this->memory();
  if (!memory) return Skip("Wine 8 has no merged view of HKEY_CLASSES_ROOT");
  const auto machine = this->kMachine, classes = cregistry::RootHandle(INT32_MIN);
  auto& service = this->service();
  memory->Store(kHkcu, "Software\\Classes\\.rpvmerged", "v", 4, Bytes("\1\0\0\0"));
  memory->Store(machine, "SOFTWARE\\Classes\\.rpvmerged", "v", 4, Bytes("\2\0\0\0"));
  memory->Store(machine, "SOFTWARE\\Classes\\.rpvmerged", "only", 4, Bytes("\3\0\0\0"));
  memory->Store(machine, "SOFTWARE\\Classes\\.rpvmerged\\Sub", "", 1, Bytes("\0"));
  KeyHandle merged = 0;
  ASSERT_EQ(service.OpenKey(classes, ".rpvmerged", access::kAllValueAndKeyRights, merged), 0);
  EXPECT_EQ(merged & 3, 2u);                           // the classes view's mark
  EXPECT_EQ(this->Read(classes, ".rpvmerged", 0), 1);  // the user's first
  std::uint32_t type = 0, size = 0;
  EXPECT_EQ(service.QueryValue(merged, "only", &type, nullptr, &size), 0);  // else the machine's
  char name[64];
  EXPECT_EQ(service.EnumKey(merged, 0, name, sizeof name), 0);
  EXPECT_STREQ(name, "Sub");
  std::uint32_t length = sizeof name;
  EXPECT_EQ(service.EnumValue(merged, 1, name, &length), 0);
  EXPECT_STREQ(name, "only");
  length = sizeof name;
  EXPECT_EQ(service.EnumValue(merged, 2, name, &length), status::kNoMoreItems);
  // A value goes to the key the handle reaches; a new key among the
  // machine's.
  const std::uint8_t five[4] = {5, 0, 0, 0};
  EXPECT_EQ(service.SetValue(merged, "w", 4, five, 4), 0);
  EXPECT_TRUE(memory->Stored(kHkcu, "Software\\Classes\\.rpvmerged", "w"));
  KeyHandle made = 0;
  ASSERT_EQ(service.CreateKey(merged, "New", access::kAllValueAndKeyRights, made), 0);
  service.CloseKey(made);
  EXPECT_TRUE(memory->KeyPresent(machine, "SOFTWARE\\Classes\\.rpvmerged\\New"));
  service.CloseKey(merged);
  // Deletion takes the user's key first, then the machine's.
  EXPECT_EQ(service.DeleteKey(classes, ".rpvmerged"), 0);
  EXPECT_FALSE(memory->KeyPresent(kHkcu, "Software\\Classes\\.rpvmerged"));
  EXPECT_EQ(this->Read(classes, ".rpvmerged", 0), 2);
  memory->Remove(machine, "SOFTWARE\\Classes\\.rpvmerged");
  // The 32-bit view's classes of COM are below Wow6432Node.
  const bool wow = TypeParam::Kind() != Program::kOn32BitWindows;
  this->Put(classes, "CLSID\\{rpv}", access::kView32, 32);
  EXPECT_EQ(memory->KeyPresent(machine, "SOFTWARE\\Classes\\Wow6432Node\\CLSID\\{rpv}"), wow);
  EXPECT_EQ(this->Read(classes, "CLSID\\{rpv}", access::kView64), wow ? -2 : 32);
  memory->Remove(machine, "SOFTWARE\\Classes\\Wow6432Node\\CLSID");
  memory->Remove(machine, "SOFTWARE\\Classes\\CLSID");
  // Both views at once is no view.
  if (wow) {
    EXPECT_EQ(this->Read(machine, "SOFTWARE", access::kViews), -87);
  }
  // A handle through HKEY_CLASSES_ROOT holds the key it reached: deleted,
  // it stays deleted, whatever is made at its place later.
  memory->Store(machine, "SOFTWARE\\Classes\\.rpvgone", "v", 4, Bytes("\1\0\0\0"));
  KeyHandle gone = 0;
  ASSERT_EQ(service.OpenKey(classes, ".rpvgone", access::kQueryValue, gone), 0);
  EXPECT_EQ(service.DeleteKey(classes, ".rpvgone"), 0);
  memory->Store(machine, "SOFTWARE\\Classes\\.rpvgone", "v", 4, Bytes("\2\0\0\0"));
  EXPECT_EQ(service.QueryValue(gone, "v", &type, nullptr, &size), status::kKeyDeleted);
  service.CloseKey(gone);
  // DeleteTree through it removes a link below, never its target; a link
  // that leads nowhere is opened itself.
  memory->Store(machine, "SOFTWARE\\Precious", "v", 4, Bytes("\1\0\0\0"));
  ASSERT_TRUE(
      memory->AddLink(machine, "SOFTWARE\\Classes\\.rpvgone\\Link", machine, "SOFTWARE\\Precious"));
  ASSERT_TRUE(memory->AddLink(machine, "SOFTWARE\\Classes\\.rpvgone\\Nowhere", machine,
                              "SOFTWARE\\Nowhere"));
  EXPECT_TRUE(DeleteTree(service, classes, ".rpvgone"));
  EXPECT_TRUE(memory->Stored(machine, "SOFTWARE\\Precious", "v"));
  memory->Remove(machine, "SOFTWARE\\Precious");
}

}  // namespace
