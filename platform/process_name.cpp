#include "cregistry/process_name.h"

#ifdef _WIN32
#include <windows.h>

#include <vector>
#else
#include <unistd.h>

#include <climits>
#endif

namespace cregistry {
namespace {

Text StripFolderAndExtension(Text path) {
  const auto slash = path.find_last_of(u"\\/");
  if (slash != Text::npos) path.erase(0, slash + 1);
  const auto dot = path.find_last_of(u'.');
  if (dot != Text::npos && dot > 0) path.erase(dot);
  return path;
}

}  // namespace

Text ExecutableBaseName() {
#ifdef _WIN32
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return Text();
    if (length < buffer.size()) {
      return StripFolderAndExtension(
          Text(reinterpret_cast<const char16_t*>(buffer.data()), length));
    }
    if (buffer.size() >= 32768) return Text();
    buffer.resize(buffer.size() * 2);
  }
#else
  char buffer[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
  if (length <= 0) return Text();
  return StripFolderAndExtension(
      FromUtf8(std::string_view(buffer, static_cast<std::size_t>(length))));
#endif
}

}  // namespace cregistry
