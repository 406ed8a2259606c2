// .reg files as regedit and reg.exe write them: a file read into the keys and
// values it names, and keys written out as reg export writes them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cregistry/text.h"

namespace cregistry {

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
  std::vector<RegFileValue> values;
};

// The keys and values of a .reg file, in its order: "Windows Registry Editor
// Version 5.00" in UTF-16LE with its byte-order mark, in UTF-8 or in ASCII,
// or "REGEDIT4" in the code page given. Throws RegFileError at the first line
// that is not of the format.
std::vector<RegFileKey> ReadRegFile(std::string_view file, unsigned codePage);

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
