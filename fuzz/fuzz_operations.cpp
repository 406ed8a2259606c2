// Random sequences of cRegistry operations on the in-memory registry, which
// other programs make hostile between them; on 64-bit Windows a 32-bit and a
// 64-bit program, each in any view (registry links, sub-keys whose
// names begin with U+0000 or hold a line break, trees as deep as Windows
// keeps them, or that would be deeper): after every step
// no handle stays open and nothing but a RegistryError escapes, and
// DeleteTree changes nothing but the key it names and what is below it; a
// read that tells why it fell back agrees with the one that does not; a
// snapshot of the registry reads back as it was written.
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>
#include <set>

#include "cregistry/cregistry.h"
#include "cregistry/hooked_service.h"
#include "cregistry/memory_registry.h"
#include "cregistry/reg_file_error.h"
#include "fuzz_input.h"

using namespace cregistry;
using cregistry::KeyHandle;
using cregistry::MemoryRegistry;

namespace {

Variant AnyValue(FuzzInput& input) {
  switch (input.Take<std::uint8_t>() % 6) {
    case 0:
      return Variant();
    case 1:
      return Variant(input.Take<std::int16_t>());
    case 2:
      return Variant(input.Take<std::int32_t>());
    case 3:
      return Variant(input.Text());
    case 4:
      return Variant(ByteArray{input.Take<std::int8_t>(), {1, 2, input.Take<std::uint8_t>()}});
    default:
      return Variant(input.Take<double>());
  }
}

std::int32_t AnyRoot(FuzzInput& input) {
  static constexpr std::int32_t kRoots[] = {
      HKEY_CURRENT_USER, HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE, 0, 7, -1};
  return kRoots[input.Take<std::uint8_t>() % 6];
}

// What another program does to the registry: a link, a hidden name, a deep
// tree, below a path of the input's.
void MakeHostile(FuzzInput& input, MemoryRegistry& memory) {
  const KeyHandle user = RootHandle(HKEY_CURRENT_USER);
  const auto path = memory.ToCodePage(input.Text(12));
  if (!path) return;
  switch (input.Take<std::uint8_t>() % 4) {
    case 0:
      if (const auto target = memory.ToCodePage(input.Text(12))) {
        const bool machine = input.Take<bool>();
        memory.AddLink(user, *path, machine ? RootHandle(HKEY_LOCAL_MACHINE) : user, *target);
      }
      break;
    case 1:
      memory.AddWideKey(user, *path, cregistry::Text(1, u'\0') + input.Text(4));
      break;
    case 2:  // a name that a .reg file cannot carry: its line break ends the key's line
      memory.AddWideKey(user, *path,
                        input.Text(3) + u"\r\n[HKEY_LOCAL_MACHINE]\r\n" + input.Text(3));
      break;
    default: {  // as deep as Windows keeps a tree, or deeper
      std::string deep = *path;
      for (int level = 480 + input.Take<std::uint8_t>() % 40; level > 0; --level) deep += "\\L";
      memory.Store(user, deep, "", 1, {'x', 0});
      break;
    }
  }
}

// A snapshot of HKEY_CURRENT_USER, whatever other programs made of it, reads
// into another registry and writes out the same; or it is refused whole.
void SnapshotWatched(const MemoryRegistry& memory, unsigned codePage) {
  const KeyHandle user = RootHandle(HKEY_CURRENT_USER);
  std::string file;
  try {
    file = memory.ExportReg(user, "");
  } catch (const RegFileError&) {
    return;
  }
  MemoryRegistry copy(codePage);
  copy.ImportReg(file);
  if (copy.ExportReg(user, "") != file) std::abort();
}

// The read that tells why: the same value as the read that does not, the
// default wherever it says it fell back, and no status where it found one.
void ReadWatched(cRegistry& reg) {
  const Variant plain = reg.Value();
  ERegistryReadResult why = READ_REFUSED;
  std::int32_t status = -1;
  const Variant told = reg.Value(why, status);
  const auto same = [](const Variant& a, const Variant& b) {
    return a.kind() == b.kind() && a.ToText() == b.ToText();
  };
  if (!same(told, plain)) std::abort();
  if (why == READ_FOUND ? status != 0 : !same(told, reg.Default())) std::abort();
}

bool Below(const std::string& line, const std::string& key) {
  return line == key || line.rfind(key + "\\", 0) == 0 || line.rfind(key + "|", 0) == 0;
}

// DeleteTree, watched: every line that goes is the key's or below it,
// nothing else changes, and the result says whether the key is gone.
void DeleteTreeWatched(cRegistry& reg, MemoryRegistry& memory) {
  const auto view = static_cast<std::uint32_t>(reg.View()) & access::kViews;
  std::optional<std::string> key;  // the key it is to remove, as Dump names it
  const auto section = memory.ToCodePage(reg.SectionKey());
  const KeyHandle root = RootHandle(reg.ClassKey());
  if (section && reg.SectionKey().find(u'\0') == cregistry::Text::npos) {
    KeyHandle opened = 0;
    if (memory.OpenKeyNoFollow(root, *section, view, opened) == 0) {
      key = memory.KeyPath(opened);
      memory.CloseKey(opened);
    }
  }
  const auto before = memory.Dump();
  const bool gone = reg.DeleteTree();
  const auto after = memory.Dump();
  const std::set<std::string> kept(after.begin(), after.end());
  for (const auto& line : before) {
    if (!kept.count(line) && !(key && Below(line, *key))) std::abort();      // touched outside
    if (gone && key && Below(line, *key) && kept.count(line)) std::abort();  // said gone
  }
  if (after.size() > before.size()) std::abort();
  if (!gone && key && !kept.count(*key)) std::abort();  // gone, but said not
}

}  // namespace

// A program on the registry: its kind's view of it, the hooks around it, and
// its own cRegistry.
struct Program {
  Program(MemoryRegistry& memory) : memory(memory), hooks(memory), reg(hooks) {}
  MemoryRegistry& memory;
  cregistry::HookedService hooks;
  cRegistry reg;
};

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  const unsigned codePage = input.Take<bool>() ? 932 : 1252;
  // A program on 32-bit Windows; or on 64-bit Windows a 32-bit and a 64-bit
  // program on one computer.
  const bool windows64 = input.Take<bool>();
  using Kind = MemoryRegistry::Program;
  cregistry::MemoryRegistry wow64(codePage,
                                  windows64 ? Kind::k32BitOn64BitWindows : Kind::kOn32BitWindows);
  std::optional<MemoryRegistry> native;
  if (windows64) native.emplace(wow64, Kind::k64BitOn64BitWindows);
  std::vector<std::unique_ptr<Program>> programs;
  programs.push_back(std::make_unique<Program>(wow64));
  if (native) programs.push_back(std::make_unique<Program>(*native));
  wow64.AddComputer("\\\\OTHER");
  NameList names;
  std::int32_t count = 0;
  for (int step = 0; step < 64 && !input.Empty(); ++step) {
    Program& program = *programs[input.Take<std::uint8_t>() % programs.size()];
    cRegistry& reg = program.reg;
    MemoryRegistry& memory = program.memory;
    try {
      switch (input.Take<std::uint8_t>() % 21) {
        case 20: {
          static constexpr std::int32_t kViews[] = {REGISTRY_VIEW_DEFAULT, REGISTRY_VIEW_64,
                                                    REGISTRY_VIEW_32};
          reg.View(kViews[input.Take<std::uint8_t>() % 3]);
          break;
        }
        case 0:
          reg.ClassKey(AnyRoot(input));
          break;
        case 1:
          reg.SectionKey(input.Text());
          break;
        case 2:
          reg.ValueKey(input.Text(8));
          break;
        case 3:
          reg.ValueType(input.Take<std::int8_t>() % 13);
          break;
        case 4:
          reg.Default(AnyValue(input));
          break;
        case 5:
          reg.Machine(input.Take<bool>() ? u"OTHER" : input.Text(6));
          break;
        case 6:
          reg.KeyExists();
          break;
        case 7:
          reg.CreateKey();
          break;
        case 8:
          reg.DeleteKey();
          break;
        case 9:
          reg.DeleteValue();
          break;
        case 10:
          ReadWatched(reg);
          break;
        case 11:
          reg.Value(AnyValue(input));
          break;
        case 12:
          reg.EnumerateValues(names, count);
          break;
        case 13:
          reg.EnumerateSections(names, count);
          break;
        case 14:
          reg.CreateEXEAssociation(input.Text(), input.Text(8), input.Text(), input.Text(4),
                                   input.Text(), input.Take<bool>(), input.Text(),
                                   input.Take<bool>(), input.Text(), input.Take<bool>(),
                                   input.Text(), input.Take<std::int8_t>());
          break;
        case 15: {
          std::vector<cregistry::Text> items(input.Take<std::uint8_t>() % 8);
          for (auto& item : items) item = input.Text(8);
          reg.CreateAdditionalEXEAssociations(input.Text(8), items);
          break;
        }
        case 18:
          MakeHostile(input, memory);
          SnapshotWatched(memory, codePage);
          break;
        case 19:
          DeleteTreeWatched(reg, memory);
          break;
        case 16:
          reg.ValueEx(AnyRoot(input), input.Text(), input.Text(8), input.Take<std::int8_t>() % 13,
                      AnyValue(input), AnyValue(input));
          break;
        default:
          reg.ValueEx(AnyRoot(input), input.Text(), input.Text(8), input.Take<std::int8_t>() % 13,
                      AnyValue(input));
          break;
      }
    } catch (const RegistryError&) {
    }
    for (const auto& each : programs) {
      if (each->hooks.OpenHandleCount() != 0) std::abort();
    }
    if (count != names.Count()) std::abort();
  }
  return 0;
}
