// The in-memory registry's side of the .reg figures (bench/reg_file.sh).
//   reg_file_bench grow <in.reg> <out.reg> <values>
//     a file of at least that many values: copies of what <in.reg> holds
//     below HKEY_CURRENT_USER, each below a key of its own under
//     Software\ResetParametriVelto-bench. Prints the values and the bytes.
//   reg_file_bench time <file.reg> <key> <out.reg>
//     imports the file into a new registry and exports the key below
//     HKEY_CURRENT_USER. Prints the seconds of each and the memory the import
//     took.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "cregistry/memory_registry.h"

namespace {

using cregistry::Text;
using Clock = std::chrono::steady_clock;

std::string ReadAll(const char* name) {
  std::ifstream in(name, std::ios::binary | std::ios::ate);
  std::string bytes(in ? static_cast<std::size_t>(in.tellg()) : 0, '\0');
  in.seekg(0).read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

// UTF-16LE with its byte-order mark, to text and back.
Text Decode(const std::string& file) {
  Text text;
  for (std::size_t i = 2; i + 1 < file.size(); i += 2) {
    text += static_cast<char16_t>(static_cast<unsigned char>(file[i]) |
                                  static_cast<unsigned char>(file[i + 1]) << 8);
  }
  return text;
}
std::string Encode(const Text& text) {
  std::string file("\xFF\xFE", 2);
  for (const char16_t c : text) {
    file += static_cast<char>(c & 0xFF);
    file += static_cast<char>(c >> 8);
  }
  return file;
}

int Grow(const char* in, const char* out, long wanted) {
  const Text base = Decode(ReadAll(in));
  const Text user = u"[HKEY_CURRENT_USER";
  Text body;  // the file without its header line
  body = base.substr(base.find(u'\n') + 1);
  long values = 0;
  for (std::size_t at = 0; at < body.size();) {
    const auto end = body.find(u'\n', at);
    if (body[at] == u'"' || body[at] == u'@') ++values;
    at = end == Text::npos ? body.size() : end + 1;
  }
  if (values == 0) return 1;
  Text grown = u"Windows Registry Editor Version 5.00\r\n";
  long copies = 0;
  for (; copies * values < wanted; ++copies) {
    const std::string number = std::to_string(copies);
    const Text prefix =
        user + u"\\Software\\ResetParametriVelto-bench\\Copy" + Text(number.begin(), number.end());
    for (std::size_t at = 0; at < body.size();) {
      const auto end = body.find(u'\n', at);
      const Text line = body.substr(at, end == Text::npos ? Text::npos : end + 1 - at);
      grown += line.rfind(user, 0) == 0 ? prefix + line.substr(user.size()) : line;
      at = end == Text::npos ? body.size() : end + 1;
    }
  }
  const std::string file = Encode(grown);
  std::ofstream(out, std::ios::binary)
      .write(file.data(), static_cast<std::streamsize>(file.size()));
  std::printf("%ld %zu\n", copies * values, file.size());
  return 0;
}

long PeakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

int Time(const char* file, const char* key, const char* out) {
  const long before = PeakKilobytes();
  cregistry::MemoryRegistry memory;
  const auto start = Clock::now();
  memory.ImportRegFile(file);
  const auto imported = Clock::now();
  const long after = PeakKilobytes();
  memory.ExportRegFile(cregistry::RootHandle(INT32_MIN + 1), key, out);
  const auto exported = Clock::now();
  std::printf("%.6f %.6f %ld\n", std::chrono::duration<double>(imported - start).count(),
              std::chrono::duration<double>(exported - imported).count(), (after - before) * 1024);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "grow" && argc == 5) return Grow(argv[2], argv[3], std::atol(argv[4]));
  if (mode == "time" && argc == 5) return Time(argv[2], argv[3], argv[4]);
  std::fprintf(stderr,
               "usage: reg_file_bench grow <in> <out> <values> | time <file> <key> <out>\n");
  return 2;
}
