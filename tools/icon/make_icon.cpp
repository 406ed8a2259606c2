// Writes the application icon: make_icon <output.ico>
#include <cstdio>

#include "reset_icon.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_icon <output.ico>\n");
    return 2;
  }
  const auto icon = MakeResetIcon();
  std::FILE* out = std::fopen(argv[1], "wb");
  if (!out) return 1;
  const bool written = std::fwrite(icon.data(), 1, icon.size(), out) == icon.size();
  return std::fclose(out) == 0 && written ? 0 : 1;
}
