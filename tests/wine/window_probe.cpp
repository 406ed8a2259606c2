// Prints how Windows itself sees the reset window, for the window test:
//   screen <width> <height> <dpi>
//   window <left> <top> <right> <bottom>      (outer rectangle)
//   client <width> <height>
//   label <text, CR and LF written as \r and \n>
//   font <face of the label's font>
// Exits 1 when the window is not there.
#include <windows.h>

#include <cstdio>
#include <string>

int main() {
  HWND window = FindWindowW(L"ResetParametriVelto.Form1", nullptr);
  HWND label = window ? FindWindowExW(window, nullptr, L"STATIC", nullptr) : nullptr;
  if (!label) {
    std::puts("no window");
    return 1;
  }
  HDC screen = GetDC(nullptr);
  std::printf("screen %d %d %d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
              GetDeviceCaps(screen, LOGPIXELSY));
  ReleaseDC(nullptr, screen);
  RECT outer{}, client{};
  GetWindowRect(window, &outer);
  GetClientRect(window, &client);
  std::printf("window %ld %ld %ld %ld\n", outer.left, outer.top, outer.right, outer.bottom);
  std::printf("client %ld %ld\n", client.right, client.bottom);

  char text[512] = {};
  GetWindowTextA(label, text, sizeof text);
  std::string escaped;
  for (const char* c = text; *c; ++c) {
    escaped += *c == '\r' ? "\\r" : *c == '\n' ? "\\n" : std::string(1, *c);
  }
  std::printf("label %s\n", escaped.c_str());

  HDC dc = GetDC(label);
  const HGDIOBJ previous =
      SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
  char face[LF_FACESIZE] = {};
  GetTextFaceA(dc, sizeof face, face);
  SelectObject(dc, previous);
  ReleaseDC(label, dc);
  std::printf("font %s\n", face);
  return 0;
}
