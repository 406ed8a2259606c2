// .reg files into the in-memory registry and out of it: the format as
// regedit and reg.exe read and write it, and under Wine the round trips
// through Wine's own reg.exe.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <regex>

#include "cregistry/cregistry.h"
#include "cregistry/reg_file_error.h"
#include "test_support.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using namespace testing_support;
using cregistry::MemoryRegistry;
using cregistry::RegFileError;
using cregistry::Text;

const auto kUser = cregistry::RootHandle(INT32_MIN + 1);

// A text as the bytes of a .reg file of version 5.00: UTF-16LE with its
// byte-order mark.
std::string Utf16File(const std::string& utf8) {
  std::string bytes("\xFF\xFE", 2);
  for (const char16_t c : cregistry::FromUtf8(utf8)) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

constexpr char kHeader[] = "Windows Registry Editor Version 5.00\r\n\r\n";

// A path of that many levels, "L\L\...".
std::string Deep(int levels) {
  std::string path = "L";
  for (int i = 1; i < levels; ++i) path += "\\L";
  return path;
}

// What reg export writes, as Windows' own reg.exe writes it.
TEST(RegFile, ExportsAsRegExportWrites) {
  MemoryRegistry memory;
  const std::string base = "Software\\RegFile";
  memory.Store(kUser, base, "DWORD", 4, {0, 1, 0, 0});
  memory.Store(kUser, base, "String", 1, Bytes("Your text here...\0"));
  memory.Store(kUser, base + "\\Subkey2", "double\"quote", 1, Bytes("\"Hello\\ World!\"\0"));
  memory.Store(kUser, base + "\\Subkey2", "Multiple strings", 7, Bytes("Line1\0Line2\0Line3\0\0"));
  memory.Store(kUser, base + "\\Subkey1", "", 4, {0x78, 0x56, 0x34, 0x12});
  memory.Store(kUser, base + "\\Subkey1", "43981", 0xabcd, Bytes("Value\0"));
  memory.Store(kUser, base + "\\Subkey1", "Empty", 4, {});
  memory.Store(kUser, base + "\\Subkey1", "None", 0, {});
  memory.Store(kUser, base + "\\Subkey1", "Cut", 1, Bytes("abc\0def\0"));
  memory.Store(kUser, base + "\\Subkey1", "Lines", 1, Bytes("a\r\nb\0"));
  const std::string expected =
      std::string(kHeader) +
      "[HKEY_CURRENT_USER\\Software\\RegFile]\r\n"
      "\"DWORD\"=dword:00000100\r\n"
      "\"String\"=\"Your text here...\"\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\RegFile\\Subkey1]\r\n"
      "@=dword:12345678\r\n"
      "\"43981\"=hex(abcd):56,61,6c,75,65,00\r\n"
      "\"Empty\"=hex(4):\r\n"
      "\"None\"=hex(0):\r\n"
      "\"Cut\"=hex(1):61,00,62,00,63,00,00,00,64,00,65,00,66,00,00,00\r\n"
      "\"Lines\"=\"a\\r\\nb\"\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\RegFile\\Subkey2]\r\n"
      "\"double\\\"quote\"=\"\\\"Hello\\\\ World!\\\"\"\r\n"
      "\"Multiple strings\"=hex(7):4c,00,69,00,6e,00,65,00,31,00,00,00,4c,"
      "00,69,00,6e,\\\r\n"
      "  00,65,00,32,00,00,00,4c,00,69,00,6e,00,65,00,33,00,00,00,00,00\r\n\r\n";
  EXPECT_EQ(memory.ExportReg(kUser, base), Utf16File(expected));
  // The snapshot goes to a file and comes back the same.
  const std::string file = testing::TempDir() + "regfile_export.reg";
  memory.ExportRegFile(kUser, base + "\\Subkey2", file);
  memory.ExportRegFile(kUser, base, file);  // in place of the one before
  MemoryRegistry loaded;
  loaded.ImportRegFile(file);
  std::remove(file.c_str());
  EXPECT_EQ(loaded.ExportReg(kUser, base), Utf16File(expected));
  const struct {
    std::function<void()> call;
    const char* says;
  } failures[] = {
      {[&] { memory.ExportReg(kUser, base + "\\Missing"); }, "no key"},
      {[&] { loaded.ImportRegFile(file); }, "cannot read"},
      {[&] { memory.ExportRegFile(kUser, base, file + ".missing/x.reg"); }, "cannot write"},
      {[&] {
         memory.AddLink(kUser, base + "\\Subkey1\\Link", kUser, "Elsewhere");
         memory.ExportReg(kUser, base);
       },
       "registry link at HKEY_CURRENT_USER\\Software\\RegFile\\Subkey1\\Link"},
      // Names that the native calls give and a .reg file cannot carry: a
      // line break would end the key's line (and the rest name another
      // key), and reg import makes no key of a U+0000.
      {[&] {
         memory.AddWideKey(kUser, "Software\\Breaks", u"a\r\n[HKEY_LOCAL_MACHINE\uFF3Cx]");
         memory.ExportReg(kUser, "Software\\Breaks");
       },
       "a .reg file cannot carry"},
      {[&] {
         memory.AddWideKey(kUser, "Software\\Hidden", kHiddenName);
         memory.ExportReg(kUser, "Software\\Hidden");
       },
       "a .reg file cannot carry"},
      {[&] { MemoryRegistry().ImportRegFile(testing::TempDir()); }, "cannot read"},
      // A text without its NUL: reg import would give it one.
      {[&] {
         memory.Store(kUser, "Software\\Unended", "e", 2, Bytes("%P%"));
         memory.ExportReg(kUser, "Software\\Unended");
       },
       "a .reg file cannot carry (a text without its NUL): e"},
  };
  for (const auto& failure : failures) {
    try {
      failure.call();
      ADD_FAILURE() << "no RegFileError: " << failure.says;
    } catch (const RegFileError& error) {
      EXPECT_EQ(error.Line, 0);
      EXPECT_NE(std::string(error.what()).find(failure.says), std::string::npos) << error.what();
    }
  }
}

// Every way a file may write the same keys and values, as regedit and reg
// import read them, reads as the one export.
TEST(RegFile, ImportsEveryFormOfTheFormat) {
  const std::string canonical = std::string(kHeader) +
                                "[HKEY_CURRENT_USER\\Software\\Fixture]\r\n"
                                "@=\"d\\\\e\\\"f\"\r\n"
                                "\"Text\"=\"citt\xc3\xa0 \xe2\x82\xac\"\r\n"
                                "\"Number\"=dword:0001c02a\r\n"
                                "\"Bytes\"=hex:01,02,ff\r\n"
                                "\"Empty\"=hex:\r\n"
                                "\"Expand\"=hex(2):25,00,41,00,25,00,00,00\r\n"
                                "\"Multi\"=hex(7):61,00,00,00,62,00,00,00\r\n"
                                "\"Quad\"=hex(b):01,00,00,00,00,00,00,00\r\n\r\n"
                                "[HKEY_CURRENT_USER\\Software\\Fixture\\Sub]\r\n\r\n"
                                "[HKEY_CURRENT_USER\\Software\\Fixture\\Sub\\" +
                                std::string(255, 'k') + "]\r\n\r\n";
  const std::string body =
      "[HKCU\\Software\\Fixture]\n"
      "; a comment, then a blank line\n"
      "\n"
      "  @ = \"d\\\\e\\\"f\"   ; after the data\n"
      "# a comment of the other kind\n"
      "\"Text\"=\"citt\xc3\xa0 \xe2\x82\xac\"\n"
      "\"Number\"=dword:\t1c02A\n"
      "\"Bytes\"=hex:1, 02,\\ ; a comment after the backslash\n"
      "; a comment, and a blank line, inside the data\n"
      "\n"
      "   ff,\n"
      "\"Empty\"=hex:\n"
      "\"Gone\"=\"x\"\n"
      "\"Expand\"=hex(2):25,00,41,00,25,00\n"
      "\"Multi\"=hex(7):61,00,00,00,62,00\n"
      "\"Quad\"=hex(B):01,00,00,00,00,00,00,00\n"
      "\"Gone\"=-\n"
      "[HKEY_CURRENT_USER\\Software\\Fixture\\Sub\\Deleted]\n"
      "[-HKEY_CURRENT_USER\\Software\\Fixture\\Sub\\Deleted]\n"
      "[HKCU\\Software\\Fixture\\Sub\\" +
      std::string(255, 'k') +
      "]\n"
      "[HKEY_CLASSES_ROOT\\.fixture]\n"
      "@=\"f\"\n"
      "\"Tail\"=hex:0a,\\\n";  // the file may end after the backslash
  std::string crlf, cr = body;
  for (const char c : body) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  std::replace(cr.begin(), cr.end(), '\n', '\r');
  const struct {
    const char* what;
    std::string file;
  } forms[] = {
      {"UTF-16LE", Utf16File("Windows Registry Editor Version 5.00\r\n" + crlf)},
      {"UTF-8", "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n" + body},
      {"UTF-8, lines that end at CR", "Windows Registry Editor Version 5.00\r" + cr},
      // REGEDIT4 holds the code page's texts, also in hex(2) and hex(7).
      {"REGEDIT4 in code page 1252",
       "REGEDIT4\r\n" +
           std::regex_replace(
               std::regex_replace(*MemoryRegistry().ToCodePage(cregistry::FromUtf8(crlf)),
                                  std::regex("25,00,41,00,25,00"), "25,41,25"),
               std::regex("61,00,00,00,62,00"), "61,00,62")},
  };
  for (const auto& form : forms) {
    SCOPED_TRACE(form.what);
    MemoryRegistry memory;
    memory.ImportReg(form.file);
    EXPECT_EQ(memory.ExportReg(kUser, "Software\\Fixture"), Utf16File(canonical));
    const auto classes = memory.Stored(cregistry::RootHandle(INT32_MIN), ".fixture", "");
    EXPECT_TRUE(classes && classes->data == Bytes("f\0"));
    const auto tail = memory.Stored(cregistry::RootHandle(INT32_MIN), ".fixture", "Tail");
    EXPECT_TRUE(tail && tail->data == Bytes("\x0a"));
  }
  MemoryRegistry japanese(932);
  japanese.ImportReg("REGEDIT4\n[HKCU\\J]\n\"\x93\xfa\"=\"\x96\x7b\"\n\"e\"=hex(2):8c,ea,00\n");
  EXPECT_EQ(japanese.ExportReg(kUser, "J"),
            Utf16File(std::string(kHeader) +
                      "[HKEY_CURRENT_USER\\J]\r\n\"\xe6\x97\xa5\"=\"\xe6\x9c\xac\"\r\n"
                      "\"e\"=hex(2):9e,8a,00,00\r\n\r\n"));
}

// A file with an error changes nothing, and the error names its line.
TEST(RegFile, AFileWithAnErrorChangesNothing) {
  const struct {
    std::string file;
    int line;
    const char* says;
  } rows[] = {
      {"REGEDIT5\n[HKCU\\X]\n", 1, "expected the header"},
      {"C:\\fixtures\\settings.reg", 1, "ImportRegFile reads a file by its name"},
      {"REGEDIT4\n\"v\"=\"x\"\n", 2, "a value before any key"},
      {"REGEDIT4\n[HKCU\\X]\n\"v\"=\"x\n", 3, "closing quote"},
      {"REGEDIT4\n[HKCU\\X]\n[HKXX\\Y]\n", 3, "expected a root"},
      {"REGEDIT4\n[HKCU\\X\n", 2, "\"]\""},
      {"REGEDIT4\n[HKCU\\X]\n\"v\"=dword:123456789\n", 3, "at most 8"},
      {"REGEDIT4\n[HKCU\\X]\n\"v\"=hex:01,2g\n", 3, "\",\" between bytes"},
      {"REGEDIT4\n[HKCU\\X]\n\"v\"=hex:01,\\\n\n\"w\"=dword:1\n", 5, "a byte"},
      {"REGEDIT4\n[HKCU\\X]\n\"v\"=hex:01,\\\n#c\n02\n", 4, "# comment inside"},
      {"REGEDIT4\n[HKCU\\X]\n\"v\"=hex:01\\\n02\n", 3, "\",\" before the"},
      {"REGEDIT4\n[HKCU\\X]\n\"v\"=hex:01 #c\n", 3, "\",\" between bytes"},
      {"REGEDIT4\n[HKCU\\X]\n\"v\"=\"a\\0b\"\n", 3, "\"\\0\""},
      {"REGEDIT4\n[HKCU\\X]\n\"a\\0b\"=\"\"\n", 3, "\"\\0\""},
      {std::string("REGEDIT4\n[HKCU\\X]\n[HKCU\\Y\0Z]\n", 27), 3, "U+0000"},
      {Utf16File("Windows Registry Editor Version 5.00\r\n\r\n[HKCU\\X]\r\n") + "A", 4,
       "inside a character"},
      {"REGEDIT4\n[HKCU\\X]\n[-HKLM\\SOFTWARE\\Classes]\n", 3, "never deletes"},
      {"REGEDIT4\n[HKCU\\X]\n[-HKEY_LOCAL_MACHINE\\SOFTWARE]\n", 3, "never deletes"},
      {"REGEDIT4\n[HKCU\\X]\n[-HKLM\\System\\CurrentControlSet]\n", 3, "never deletes"},
      {"REGEDIT4\n[HKCU\\X]\n[HKCU\\Locked\\Sub]\n", 3, "may not be made"},
      {"REGEDIT4\n[HKCU\\Locked]\n\"v\"=\"x\"\n", 3, "may not be set"},
      {"REGEDIT4\n[HKCU\\Locked]\n\"v\"=-\n", 3, "may not be set"},
      {"REGEDIT4\n[HKCU\\X]\n[-HKCU\\Locked]\n", 3, "may not be deleted"},
      {"REGEDIT4\n[HKCU\\X]\n[-HKCU\\Holder]\n", 3, "registry link in the tree"},
      {"REGEDIT4\n[HKCU\\" + Deep(509) + "]\n[HKCU\\" + Deep(510) + "]\n", 3, "512 levels"},
      // Everything the file did before its error is undone: values set,
      // replaced and deleted in place, keys deleted and made again.
      {"REGEDIT4\n[HKCU\\Kept]\n\"w\"=\"new\"\n\"v\"=\"changed\"\n\"v\"=-\n[-HKCU\\Kept]\n"
       "[HKCU\\Kept\\Again]\n\"u\"=-\n[HKCU\\Locked\\Sub]\n",
       9, "may not be made"},
      {"REGEDIT4\n[HKCU\\X]\n\"v\"=hex(zz):01\n", 3, "the type in hex("},
      {"REGEDIT4\n[HKCU\\X]\n\"v\"=hex(100000000):01\n", 3, "the type in hex("},
      {"REGEDIT4\n[HKCU\\X]\n\"v\"=hex():01\n", 3, "expected hex(<type>):"},
      {"REGEDIT4\n[HKCU\\X]\n\"v\"=dword:\n", 3, "digits after dword:"},
      {"REGEDIT4\n[HKCU\\X]\n\"v\"=dword:1 2\n", 3, "after the dword"},
      {"REGEDIT4\n[HKCU\\X]\n\"v\"=\"x\" y\n", 3, "after the string"},
      {"REGEDIT4\n[HKCU\\X]\n\"v\" \"x\"\n", 3, "\"=\""},
      {"REGEDIT4\n[HKCU\\X]\nv=\"x\"\n", 3, "expected a key"},
      {"REGEDIT4\n[HKCU\\X]\n\"v\"=\"a\\qb\"\n", 3, "unknown escape"},
      {"REGEDIT4\n[HKCU\\" + std::string(256, 'k') + "]\n", 2, "longer than 255"},
      {"REGEDIT4\n[-HKCU\\X]\n\"v\"=\"x\"\n", 3, "deletes"},
      {"REGEDIT4\n[-HKCU]\n", 2, "a root"},
      {"REGEDIT4\n[HKCU\\X]\n[HKCU\\Link\\Y]\n", 3, "registry link"},
      {"REGEDIT4\n[-HKCU\\Link]\n", 2, "registry link"},
      {"REGEDIT4\n[HKEY_CLASSES_ROOT\\Link]\n\"v\"=\"x\"\n", 2, "registry link"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.file);
    MemoryRegistry memory;
    memory.Store(kUser, "Kept", "v", 1, Bytes("x\0"));
    memory.Store(kUser, "Kept", "u", 4, Bytes("\1\0\0\0"));
    memory.AddLink(kUser, "Link", kUser, "Kept");
    memory.AddLink(kUser, "Holder\\Link", kUser, "Kept");
    memory.AddLink(kUser, "Software\\Classes\\Link", kUser, "Kept");
    memory.DenyAccess(kUser, "Locked",
                      cregistry::access::kCreateSubKey | cregistry::access::kSetValue |
                          cregistry::access::kDelete);
    const auto before = memory.Dump();
    try {
      // Everything before the error would apply: the key X, its value.
      memory.ImportReg(row.file);
      ADD_FAILURE() << "no RegFileError";
    } catch (const RegFileError& error) {
      EXPECT_EQ(error.Line, row.line);
      EXPECT_NE(std::string(error.what()).find(row.says), std::string::npos) << error.what();
      EXPECT_EQ(std::string(error.what()).rfind("line " + std::to_string(row.line) + ": ", 0), 0u);
    }
    EXPECT_EQ(memory.Dump(), before);
  }
}

// reg import and reg export address a key in the view /reg:32 or /reg:64
// names (a 64-bit reg.exe's own without either); on 32-bit Windows every
// view is the one registry.
TEST(RegFile, AddressesKeysInTheViewAsRegExeDoes) {
  const auto machine = cregistry::RootHandle(INT32_MIN + 2);
  const std::string file = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor]\n\"v\"=dword:20\n";
  for (const auto kind : {Program::kOn32BitWindows, Program::k64BitOn64BitWindows}) {
    const bool views = kind != Program::kOn32BitWindows;
    MemoryRegistry memory(1252, kind);
    memory.ImportReg(file, cregistry::access::kView32);
    EXPECT_EQ(memory.KeyPresent(machine, "SOFTWARE\\Wow6432Node\\Vendor"), views);
    EXPECT_EQ(memory.KeyPresent(machine, "SOFTWARE\\Vendor"), !views);
    const std::string in32 =
        memory.ExportReg(machine, "SOFTWARE\\Vendor", cregistry::access::kView32);
    memory.ImportReg(std::regex_replace(file, std::regex("20"), "40"));  // /reg:64 and no switch
    EXPECT_EQ(memory.ExportReg(machine, "SOFTWARE\\Vendor", cregistry::access::kView32) == in32,
              views);
    EXPECT_NE(memory.ExportReg(machine, "SOFTWARE\\Vendor"), in32);
    // A name the listing gives that the view finds elsewhere, and not: a
    // class of COM the 32-bit view does not have.
    memory.Store(machine, "SOFTWARE\\Classes\\CLSID\\{64}", "", 1, Bytes("x\0"));
    const std::string classes =
        memory.ExportReg(cregistry::RootHandle(INT32_MIN), "", cregistry::access::kView32);
    EXPECT_EQ(classes.find(std::string("{\0006\0004\000}\000", 8)) == std::string::npos, views);
  }
}

#ifdef _WIN32
// Wine's reg.exe, run on a file of this test's own.
class RegFileUnderWine : public OnBackend<Win32Backend> {
 protected:
  void SetUp() override {
    OnBackend<Win32Backend>::SetUp();
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    file_ = std::wstring(folder) + L"rpv-regfile.reg";
  }
  void TearDown() override {
    DeleteFileW(file_.c_str());
    OnBackend<Win32Backend>::TearDown();
  }
  // reg.exe with the arguments, the file among them as %F; its exit status.
  DWORD Reg(std::wstring arguments) {
    arguments.replace(arguments.find(L"%F"), 2, L"\"" + file_ + L"\"");
    std::wstring command = L"reg.exe " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
      return ~0u;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = ~0u;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return status;
  }
  std::wstring KeyName() const {
    const std::string key = "HKEY_CURRENT_USER\\" + base();
    return std::wstring(key.begin(), key.end());
  }
  std::string Exported() {
    EXPECT_EQ(Reg(L"export \"" + KeyName() + L"\" %F /y"), 0u);
    return ReadFile();
  }
  std::string ReadFile() {
    std::string bytes;
    if (FILE* in = _wfopen(file_.c_str(), L"rb")) {
      char buffer[4096];
      for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, in)) > 0;)
        bytes.append(buffer, n);
      std::fclose(in);
    }
    return bytes;
  }
  void WriteFile(const std::string& bytes) {
    FILE* out = _wfopen(file_.c_str(), L"wb");
    ASSERT_NE(out, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fclose(out);
  }
  // A value through the wide calls, as a program of Windows' own writes it.
  void SetWide(const std::wstring& below, const std::wstring& name, DWORD type,
               const std::vector<BYTE>& data) {
    const std::wstring path = std::wstring(base().begin(), base().end()) + below;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              0);
    EXPECT_EQ(RegSetValueExW(key, name.c_str(), 0, type, data.empty() ? nullptr : data.data(),
                             static_cast<DWORD>(data.size())),
              0);
    RegCloseKey(key);
  }
  static std::vector<BYTE> Wide(const std::wstring& text) {
    const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    return std::vector<BYTE>(bytes, bytes + (text.size() + 1) * 2);
  }

  std::wstring file_;
};

// Every value type, names and data in the code page and beyond it, empty
// and long values, the default value. Wine's reg export lists values sorted
// (Windows' in the order they were created): they are made in sorted order.
TEST_F(RegFileUnderWine, RoundTripsThroughWinesRegExe) {
  std::vector<BYTE> longBinary(5000);
  for (std::size_t i = 0; i < longBinary.size(); ++i) longBinary[i] = static_cast<BYTE>(i * 7);
  SetWide(L"", L"", REG_SZ, Wide(L"default"));
  SetWide(L"", L"Binary", REG_BINARY, {1, 2, 3});
  SetWide(L"", L"BinaryLong", REG_BINARY, longBinary);
  SetWide(L"", L"DwordBig", REG_DWORD_BIG_ENDIAN, {0, 0, 1, 0});
  SetWide(L"", L"DwordLong", REG_DWORD, {1, 2, 3, 4, 5, 6});
  SetWide(L"", L"DwordShort", REG_DWORD, {7});
  SetWide(L"", L"Dword", REG_DWORD, {0xff, 0xff, 0xff, 0xff});
  SetWide(L"", L"Empty", REG_SZ, {});
  SetWide(L"", L"Expand", REG_EXPAND_SZ, Wide(L"%PATH%;\x20ac"));
  SetWide(L"", L"Link", REG_LINK, {0x41, 0, 0x42, 0});
  SetWide(L"", L"Multi", REG_MULTI_SZ, {0x61, 0, 0, 0, 0x62, 0, 0, 0, 0, 0});
  SetWide(L"", L"None", REG_NONE, {9});
  SetWide(L"", L"Odd", 0x1234, {1, 2, 3});
  SetWide(L"", L"Qword", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8});
  SetWide(L"", L"Quotes \"and\\ slashes", REG_SZ, Wide(L"\"a\\b\""));
  SetWide(L"", L"TextLong", REG_SZ, Wide(std::wstring(3000, L'x')));
  SetWide(L"", L"Texts", REG_SZ, Wide(L"citt\x00e0 \x20ac \x65e5\x672c\x8a9e \x0141\x00f3d\x017a"));
  // A key named in the code page, its value named beyond it.
  const Text& held = TextsFor(GetACP()).held;
  const std::wstring sub = L"\\" + std::wstring(held.begin(), held.end());
  SetWide(sub, L"\x65e5\x672c \x00e8", REG_SZ, Wide(L"\x8a9e"));
  SetWide(sub + L"\\Deeper", L"v", REG_DWORD, {1, 0, 0, 0});

  // What Wine's reg.exe wrote reads into the in-memory registry, which
  // writes it out again byte for byte.
  const std::string wines = Exported();
  ASSERT_GT(wines.size(), 1000u);
  MemoryRegistry memory(GetACP());
  memory.ImportReg(wines);
  const std::string memorys = memory.ExportReg(kUser, base());
  EXPECT_EQ(memorys, wines);

  // What the in-memory registry writes, reg import reads as it holds it: as
  // reg export writes it, and value by value through advapi32.
  ASSERT_TRUE(DeleteTree(service(), kHkcu, base()));
  WriteFile(memorys);
  ASSERT_EQ(Reg(L"import %F"), 0u);
  EXPECT_EQ(Exported(), memorys);
  NameList names;
  std::int32_t count = 0;
  cRegistry reg(service());
  reg.ClassKey(HKEY_CURRENT_USER);
  reg.SectionKey(baseText());
  reg.EnumerateValues(names, count);
  EXPECT_EQ(count, 17);
  cregistry::KeyHandle key = 0, memoryKey = 0;
  ASSERT_EQ(service().OpenKey(kHkcu, base(), 1, key), 0);
  ASSERT_EQ(memory.OpenKey(kHkcu, base(), 1, memoryKey), 0);
  for (const Text& name : names) {
    SCOPED_TRACE(cregistry::ToUtf8(name));
    const auto bytes = service().ToCodePage(name);
    if (!bytes) continue;  // listed with substitutes: no name to ask for
    std::uint32_t type = 0, size = 0, memoryType = 0, memorySize = 0;
    service().QueryValue(key, *bytes, &type, nullptr, &size);
    memory.QueryValue(memoryKey, *bytes, &memoryType, nullptr, &memorySize);
    std::vector<std::uint8_t> data(size), memoryData(memorySize);
    service().QueryValue(key, *bytes, &type, data.data(), &size);
    memory.QueryValue(memoryKey, *bytes, &memoryType, memoryData.data(), &memorySize);
    EXPECT_EQ(memoryType, type);
    EXPECT_EQ(memoryData, data);
  }
  service().CloseKey(key);
  memory.CloseKey(memoryKey);

  // Deletions read alike on both.
  const std::string named = "HKEY_CURRENT_USER\\" + base();
  const std::string deletions =
      Utf16File(std::string(kHeader) + "[" + named + "]\r\n\"Binary\"=-\r\n@=-\r\n\r\n[-" + named +
                "\\" + cregistry::ToUtf8(held) + "]\r\n\r\n");
  WriteFile(deletions);
  ASSERT_EQ(Reg(L"import %F"), 0u);
  memory.ImportReg(deletions);
  EXPECT_EQ(memory.ExportReg(kUser, base()), Exported());
}
// reg import /reg:32 writes where the stand-in's ImportReg with the 32-bit
// view writes: the 32-bit view's key, which the 64-bit view does not see on
// 64-bit Windows.
TEST_F(RegFileUnderWine, ImportsIntoTheViewAsRegImport) {
  const std::string path = "SOFTWARE\\ResetParametriVelto-test\\RegView";
  const auto machine = cregistry::RootHandle(INT32_MIN + 2);
  const auto clean = [&] {
    for (const std::uint32_t view : {cregistry::access::kView32, cregistry::access::kView64}) {
      EXPECT_TRUE(DeleteTree(service(), machine, "SOFTWARE\\ResetParametriVelto-test", view));
    }
  };
  clean();
  const std::string file =
      Utf16File(std::string(kHeader) + "[HKEY_LOCAL_MACHINE\\" + path + "]\r\n\"v\"=dword:20\r\n");
  WriteFile(file);
  ASSERT_EQ(Reg(L"import %F /reg:32"), 0u);
  // As reg.exe: a 64-bit program where Windows is 64-bit.
  MemoryRegistry memory(GetACP(), ThisProgram() == Program::kOn32BitWindows
                                      ? Program::kOn32BitWindows
                                      : Program::k64BitOn64BitWindows);
  memory.ImportReg(file, cregistry::access::kView32);
  for (const std::uint32_t view : {cregistry::access::kView32, cregistry::access::kView64}) {
    SCOPED_TRACE(view);
    cregistry::KeyHandle wine = 0, stand = 0;
    const auto st = service().OpenKey(machine, path, cregistry::access::kQueryValue | view, wine);
    EXPECT_EQ(memory.OpenKey(machine, path, cregistry::access::kQueryValue | view, stand), st);
    if (st == 0) service().CloseKey(wine);
  }
  clean();
}

// Where reg import's rules come from Wine's own tests of it (which pass on
// Windows): what reg.exe takes, ImportReg takes with the same bytes; a line
// it skips, ImportReg refuses whole.
TEST_F(RegFileUnderWine, ImportsAsRegImportDoes) {
  const struct {
    const char* what;
    std::string lines;
    bool taken;
  } rows[] = {
      {"hex(2) without its NUL", "\"v\"=hex(2):25,00,41,00,25,00\r\n", true},
      {"hex(7) without its last NUL", "\"v\"=hex(7):61,00,00,00,62,00\r\n", true},
      {"hex(1) without its NUL", "\"v\"=hex(1):61,00\r\n", true},
      {"empty hex(2)", "\"v\"=hex(2):\r\n", true},
      {"a ; comment and a blank line in continued data", "\"v\"=hex:01,\\\r\n; c\r\n\r\n  02\r\n",
       true},
      {"a comment after the backslash", "\"v\"=hex:01,\\ ;c\r\n  02\r\n", true},
      {"a comma at the end", "\"v\"=hex:01,02,\r\n", true},
      {"a # comment line", "# c\r\n\"v\"=\"x\"\r\n", true},
      {"blanks after dword:", "\"v\"=dword: 1\r\n", true},
      {"a # comment in continued data", "\"v\"=hex:01,\\\r\n#c\r\n  02\r\n", false},
      {"a \\0 escape in the data", "\"v\"=\"a\\0b\"\r\n", false},
      {"a \\0 escape in the name", "\"a\\0b\"=\"x\"\r\n", false},
      {"a key's name holding U+0000",
       "[HKEY_CURRENT_USER\\" + base() + "\\a" + std::string(1, '\0') + "b]\r\n\"v\"=\"x\"\r\n",
       false},
  };
  const std::string key = "[HKEY_CURRENT_USER\\" + base() + "]\r\n";
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    ASSERT_TRUE(DeleteTree(service(), kHkcu, base()));
    const std::string file = Utf16File(std::string(kHeader) + key + row.lines);
    WriteFile(file);
    ASSERT_EQ(Reg(L"import %F"), 0u);
    const std::string wines = Exported();
    MemoryRegistry memory(GetACP());
    if (row.taken) {
      memory.ImportReg(file);
      EXPECT_EQ(memory.ExportReg(kUser, base()), wines);
      EXPECT_NE(wines, Utf16File(std::string(kHeader) + key + "\r\n"));  // the value is there
    } else {
      EXPECT_THROW(memory.ImportReg(file), RegFileError);
      EXPECT_EQ(wines, Utf16File(std::string(kHeader) + key + "\r\n"));  // the line skipped
    }
  }
}
#endif

}  // namespace
