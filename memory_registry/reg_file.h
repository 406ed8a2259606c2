// .reg files as regedit and reg.exe write them: a file read into the keys and
// values it names, and keys written out as reg export writes them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cregistry/text.h"

namespace cregistry {

// The escapes of a name or text in double quotes: the character after the
// backslash, and the one it stands for.
inline constexpr std::pair<char16_t, char16_t> kRegFileEscapes[] = {
    {u'\\', u'\\'}, {u'"', u'"'}, {u'n', u'\n'}, {u'r', u'\r'}, {u'0', u'\0'}};

struct RegFileValue {
  Text name;  // empty: the key's default value
  bool remove = false;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;  // as Windows holds them: texts in UTF-16LE
};

struct RegFileKey {
  std::int32_t hive = 0;
  std::vector<Text> levels;
  bool remove = false;  // [-key]: the key with everything below it
};

// What a file names, in its order: each key, then each of its values. An
// answer that is not empty is what is wrong with the key or value: an error
// of its line.
struct RegFileSink {
  std::function<std::string(const RegFileKey&)> key;
  std::function<std::string(RegFileValue&&)> value;
};

// Reads a .reg file into the sink: "Windows Registry Editor Version 5.00" in
// UTF-16LE with its byte-order mark, in UTF-8 or in ASCII, or "REGEDIT4" in
// the code page given. Throws RegFileError at the first line that is not of
// the format, that reg import would skip, or that the sink refuses, after
// the sink has had what came before it. A line at a time is held in
// memory, never the whole file.
void ReadRegFile(std::string_view file, unsigned codePage, const RegFileSink& sink);

// A .reg file as reg export writes it: version 5.00, UTF-16LE with its
// byte-order mark, CR LF, each key a block that a blank line ends, hex data
// wrapped at 80 columns.
class RegFileWriter {
 public:
  RegFileWriter();
  void Key(const Text& name);  // a key's block, after the one before
  void Value(const Text& name, std::uint32_t type, const std::vector<std::uint8_t>& data);
  std::string Finish();  // the file's bytes

 private:
  Text text_;
};

// The name of a root as a .reg file writes it ("HKEY_CURRENT_USER"), or
// nothing for one that no file names.
const char16_t* RegFileRootName(std::int32_t hive);

}  // namespace cregistry
