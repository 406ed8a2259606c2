// .reg files of any bytes imported into the in-memory registry, beside a
// registry link and a key whose name holds a line break: nothing crashes, a
// file with an error changes nothing, a registry link is never written
// through, and what an import leaves writes out, reads back and writes out
// again the same, or is refused for the name that a file cannot carry.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "cregistry/memory_registry.h"

using namespace cregistry;

namespace {

constexpr std::int32_t kRoots[] = {INT32_MIN + 1, INT32_MIN + 2, INT32_MIN + 3};  // HKCU HKLM HKU

// Every root written out, as reg export writes it.
std::string Exported(const MemoryRegistry& memory, std::uint32_t view) {
  std::string files;
  for (const auto hive : kRoots) files += memory.ExportReg(RootHandle(hive), "", view);
  return files;
}

// The link's lines of a Dump: the link and its target's name, nothing else.
std::vector<std::string> Link(const std::vector<std::string>& dump) {
  std::vector<std::string> lines;
  for (const auto& line : dump) {
    const auto rest = std::string_view(line).substr(std::min<std::size_t>(line.size(), 9));
    if (line.rfind("HKCU\\Link", 0) == 0 && (rest.empty() || rest[0] == '\\' || rest[0] == '|')) {
      lines.push_back(line);
    }
  }
  return lines;
}

// A key's name that the native calls give and a .reg file cannot carry: in
// a snapshot, its line break would end the key's line, and the rest would
// write into HKEY_LOCAL_MACHINE.
constexpr char16_t kBreaking[] = u"a\r\n[HKEY_LOCAL_MACHINE]\r\n\"v\"=\"x\"";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const unsigned codePage = data[0] % 2 ? 932 : 1252;
  // On 32-bit or 64-bit Windows, as reg.exe with /reg:32 or without.
  const auto kind = data[0] & 4 ? MemoryRegistry::Program::k64BitOn64BitWindows
                                : MemoryRegistry::Program::kOn32BitWindows;
  const std::uint32_t view = data[0] & 8 ? access::kView32 : 0;
  const std::string_view file(reinterpret_cast<const char*>(data) + 1, size - 1);
  MemoryRegistry memory(codePage, kind);
  const KeyHandle user = RootHandle(INT32_MIN + 1);
  memory.Store(user, "Kept", "v", 1, {'x', 0});
  memory.AddLink(user, "Link", user, "Kept");  // no file may reach through it
  const std::string breaking = "W\\" + *memory.ToCodePage(kBreaking);
  if (data[0] & 2) memory.AddWideKey(user, "W", kBreaking);
  const auto before = memory.Dump();
  try {
    memory.ImportReg(file, view);
  } catch (const RegFileError&) {
    if (memory.Dump() != before) std::abort();  // a partial import
    return 0;
  }
  if (Link(memory.Dump()) != Link(before)) std::abort();  // the link changed
  memory.Remove(user, "Link");                            // which reg export would follow
  // A snapshot of a key whose name it cannot carry is refused, and only such.
  std::string first;
  try {
    first = Exported(memory, view);
  } catch (const RegFileError&) {
    if (!memory.KeyPresent(user, breaking)) std::abort();
    return 0;
  }
  if (memory.KeyPresent(user, breaking)) std::abort();
  MemoryRegistry again(codePage, kind);
  for (const auto hive : kRoots)
    again.ImportReg(memory.ExportReg(RootHandle(hive), "", view), view);
  if (Exported(again, view) != first) std::abort();  // written, read and written again differently
  return 0;
}
