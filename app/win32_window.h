// The reset window on Win32: one top-level window with a caption, an icon,
// a label and two push buttons at fixed positions in twips, keyboard through
// the dialog manager, and the toolkit calls that the window's handlers use.
#pragma once

#include <windows.h>

#include <memory>

#include "cregistry/text.h"
#include "twips.h"
#include "window_system.h"

namespace app {

struct WindowDescription {
  struct Control {
    TwipsRect rect;
    Text text;
  };
  Text caption;
  float clientWidth = 0, clientHeight = 0;  // twips
  Control label;                            // never takes the focus
  Control command1;                         // tab index 1, first focus
  Control command2;                         // tab index 2, answers Esc
  const wchar_t* labelFont = L"Arial";
  float labelFontPoints = 8.25f;
  int iconResource = 0;
};

class Win32Window final : public WindowSystem {
 public:
  Win32Window(HINSTANCE instance, WindowDescription description);
  ~Win32Window() override;
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  // Creates the window, runs Form_Load while it is still hidden, shows it
  // and handles its messages until it is gone. Returns the exit code.
  int Run(FormEvents& events);

  float ScreenWidth() const override;
  float ScreenHeight() const override;
  float WindowWidth() const override;
  float WindowHeight() const override;
  void PlaceWindow(float left, float top) override;
  Text LabelText() const override;
  void SetLabelText(const Text& text) override;
  int ShowMessage(const Text& prompt, const Text& title, std::uint32_t flags) override;
  void EndProgram() override;

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void Create();
  HWND AddControl(const wchar_t* kind, DWORD style, const WindowDescription::Control& control,
                  int id, HFONT font);

  struct FontDeleter {
    void operator()(HFONT font) const { DeleteObject(font); }
  };
  using Font = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

  HINSTANCE instance_;
  WindowDescription description_;
  int dpi_ = 96;
  FormEvents* events_ = nullptr;
  HWND window_ = nullptr;
  HWND label_ = nullptr;
  HWND command1_ = nullptr;
  HWND focused_ = nullptr;  // restored when the window is activated again
  Font labelFont_;
  Font buttonFont_;
};

}  // namespace app
