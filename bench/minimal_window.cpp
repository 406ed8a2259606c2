// The floor for the reset program's size and start-up time: one window with
// the same toolkit, flags and build options, and the same language runtime
// (it throws and catches one exception holding a std::wstring).
//
// Built again with RPV_STEP 1 to 3, each adding one step of what the reset
// window does beyond it, so the start-up figure can be taken apart:
//   1  the application icon, loaded for the window class (big and small);
//   2  the label: an "Arial" 8.25-point font and the two paragraphs;
//   3  the buttons' message font and the second button.
#include <windows.h>

#include <commctrl.h>

#include <string>

#ifndef RPV_STEP
#define RPV_STEP 0
#endif

namespace {

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  std::wstring caption;
  try {
    throw std::wstring(L"Minimal window");
  } catch (const std::wstring& text) {
    caption = text;
  }
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = Procedure;
  windowClass.hInstance = instance;
  windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  windowClass.lpszClassName = L"MinimalWindow";
#if RPV_STEP >= 1
  windowClass.hIcon =
      static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                    GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
  windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                      GetSystemMetrics(SM_CXSMICON),
                                                      GetSystemMetrics(SM_CYSMICON), 0));
#endif
  RegisterClassExW(&windowClass);
  HWND window =
      CreateWindowExW(WS_EX_CONTROLPARENT, L"MinimalWindow", caption.c_str(),
                      WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, CW_USEDEFAULT,
                      CW_USEDEFAULT, 445, 198, nullptr, nullptr, instance, nullptr);
  HWND button =
      CreateWindowExW(0, L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON | WS_TABSTOP, 8,
                      124, 325, 33, window, nullptr, instance, nullptr);
#if RPV_STEP >= 2
  HFONT labelFont =
      CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Arial");
  HWND label = CreateWindowExW(
      0, L"STATIC",
      L"Questo applicazione effettua l'azzeramento di tutti i parametri di configurazione di "
      L"Velto Professional\r\n\r\nPer proseguire occorre chiudere il programma Velto "
      L"Professional.",
      WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 8, 12, 421, 101, window, nullptr, instance,
      nullptr);
  SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(labelFont), FALSE);
#endif
#if RPV_STEP >= 3
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  HFONT buttonFont = CreateFontIndirectW(&metrics.lfMessageFont);
  HWND second = CreateWindowExW(0, L"BUTTON", L"Annulla", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON,
                                352, 124, 81, 33, window, nullptr, instance, nullptr);
  SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(buttonFont), FALSE);
  SendMessageW(second, WM_SETFONT, reinterpret_cast<WPARAM>(buttonFont), FALSE);
#endif
  (void)button;
  ShowWindow(window, SW_SHOWNORMAL);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (IsDialogMessageW(window, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
