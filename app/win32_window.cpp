#include "win32_window.h"

#include <commctrl.h>

namespace app {
namespace {

constexpr wchar_t kClassName[] = L"ResetParametriVelto.Form1";
constexpr int kCommand1Id = 101;
// Command2 answers Esc: the dialog manager sends IDCANCEL for it.
constexpr int kCommand2Id = IDCANCEL;
constexpr DWORD kFrameStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kFrameExStyle = WS_EX_CONTROLPARENT;

const wchar_t* Wide(const Text& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

}  // namespace

Win32Window::Win32Window(HINSTANCE instance, WindowDescription description)
    : instance_(instance), description_(std::move(description)), dpi_(ScreenDpi()) {}

Win32Window::~Win32Window() {
  if (window_) DestroyWindow(window_);
}

int Win32Window::Run(FormEvents& events) {
  events_ = &events;
  Create();
  if (!window_) return 1;
  events_->Form_Load();
  ShowWindow(window_, SW_SHOWNORMAL);
  SetFocus(command1_);
  MSG message;
  int result;
  while ((result = GetMessageW(&message, nullptr, 0, 0)) > 0) {
    if (window_ && IsDialogMessageW(window_, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return result < 0 ? 1 : static_cast<int>(message.wParam);
}

void Win32Window::Create() {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &Win32Window::Procedure;
  windowClass.hInstance = instance_;
  windowClass.hIcon = static_cast<HICON>(
      LoadImageW(instance_, MAKEINTRESOURCEW(description_.iconResource), IMAGE_ICON,
                 GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
  windowClass.hIconSm = static_cast<HICON>(
      LoadImageW(instance_, MAKEINTRESOURCEW(description_.iconResource), IMAGE_ICON,
                 GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  windowClass.lpszClassName = kClassName;
  RegisterClassExW(&windowClass);

  RECT outer = {0, 0, TwipsToPixels(description_.clientWidth, dpi_),
                TwipsToPixels(description_.clientHeight, dpi_)};
  AdjustWindowRectEx(&outer, kFrameStyle, FALSE, kFrameExStyle);
  window_ = CreateWindowExW(kFrameExStyle, kClassName, Wide(description_.caption), kFrameStyle,
                            CW_USEDEFAULT, CW_USEDEFAULT, outer.right - outer.left,
                            outer.bottom - outer.top, nullptr, nullptr, instance_, this);
  if (!window_) return;

  labelFont_.reset(CreateFontW(
      -MulDiv(static_cast<int>(description_.labelFontPoints * 100), dpi_, 7200), 0, 0, 0, FW_NORMAL,
      FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
      DEFAULT_PITCH | FF_SWISS, description_.labelFont));
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    buttonFont_.reset(CreateFontIndirectW(&metrics.lfMessageFont));
  }
  HFONT buttons =
      buttonFont_ ? buttonFont_.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  // Created in tab order; the label wraps at word boundaries and at CR LF.
  label_ = AddControl(L"STATIC", SS_LEFT | SS_NOPREFIX, description_.label, -1, labelFont_.get());
  command1_ = AddControl(L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, description_.command1,
                         kCommand1Id, buttons);
  AddControl(L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, description_.command2, kCommand2Id, buttons);
}

HWND Win32Window::AddControl(const wchar_t* kind, DWORD style,
                             const WindowDescription::Control& control, int id, HFONT font) {
  const int left = TwipsToPixels(control.rect.left, dpi_);
  const int top = TwipsToPixels(control.rect.top, dpi_);
  HWND child =
      CreateWindowExW(0, kind, Wide(control.text), WS_CHILD | WS_VISIBLE | style, left, top,
                      TwipsToPixels(control.rect.left + control.rect.width, dpi_) - left,
                      TwipsToPixels(control.rect.top + control.rect.height, dpi_) - top, window_,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
  SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return child;
}

LRESULT CALLBACK Win32Window::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    static_cast<Win32Window*>(create->lpCreateParams)->window_ = window;
  }
  auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  return self ? self->Handle(message, wParam, lParam)
              : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT Win32Window::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == kCommand1Id)
          events_->Command1_Click();
        else if (LOWORD(wParam) == kCommand2Id)
          events_->Command2_Click();
        return 0;
      }
      break;
    case DM_GETDEFID: {
      // Enter clicks the focused push button, as in a dialog; with the
      // focus anywhere else it clicks nothing.
      HWND focus = GetFocus();
      if (focus && IsChild(window_, focus) &&
          (SendMessageW(focus, WM_GETDLGCODE, 0, 0) &
           (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) {
        return MAKELRESULT(GetDlgCtrlID(focus), DC_HASDEFID);
      }
      return 0;
    }
    case WM_ACTIVATE:
      // Like a dialog: remember the focused control, give it back later.
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(window_, focus)) focused_ = focus;
      } else {
        SetFocus(focused_ ? focused_ : command1_);
      }
      return 0;
    case WM_DESTROY: {
      HWND window = window_;
      window_ = nullptr;
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      PostQuitMessage(0);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

float Win32Window::ScreenWidth() const {
  return PixelsToTwips(GetSystemMetrics(SM_CXSCREEN), dpi_);
}

float Win32Window::ScreenHeight() const {
  return PixelsToTwips(GetSystemMetrics(SM_CYSCREEN), dpi_);
}

float Win32Window::WindowWidth() const {
  RECT outer{};
  GetWindowRect(window_, &outer);
  return PixelsToTwips(outer.right - outer.left, dpi_);
}

float Win32Window::WindowHeight() const {
  RECT outer{};
  GetWindowRect(window_, &outer);
  return PixelsToTwips(outer.bottom - outer.top, dpi_);
}

void Win32Window::PlaceWindow(float left, float top) {
  SetWindowPos(window_, nullptr, TwipsToPixels(left, dpi_), TwipsToPixels(top, dpi_), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

Text Win32Window::LabelText() const {
  Text text(static_cast<std::size_t>(GetWindowTextLengthW(label_)) + 1, u'\0');
  const int length = GetWindowTextW(label_, reinterpret_cast<wchar_t*>(text.data()),
                                    static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(length > 0 ? length : 0));
  return text;
}

void Win32Window::SetLabelText(const Text& text) { SetWindowTextW(label_, Wide(text)); }

int Win32Window::ShowMessage(const Text& prompt, const Text& title, std::uint32_t flags) {
  return MessageBoxW(window_, Wide(prompt), Wide(title), flags);
}

void Win32Window::EndProgram() {
  // Destroying the only window ends the message loop; no handler runs after.
  if (window_) DestroyWindow(window_);
}

}  // namespace app
