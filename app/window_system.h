// What the reset window needs of the windowing toolkit. Geometry is in
// twips (1/1440 inch).
#pragma once

#include <cstdint>

#include "cregistry/text.h"

namespace app {

using cregistry::Text;

// The Windows button identifiers a message box returns.
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  virtual float ScreenWidth() const = 0;
  virtual float ScreenHeight() const = 0;
  // The window's outer size, frame and title bar included.
  virtual float WindowWidth() const = 0;
  virtual float WindowHeight() const = 0;
  // Places the window's top-left corner, before or after it is shown.
  virtual void PlaceWindow(float left, float top) = 0;

  virtual Text LabelText() const = 0;
  virtual void SetLabelText(const Text& text) = 0;

  // A modal message box with the Windows MessageBox style flags; returns
  // the identifier of the button pressed.
  virtual int ShowMessage(const Text& prompt, const Text& title, std::uint32_t flags) = 0;

  // Ends the program at once: no handler runs after this.
  virtual void EndProgram() = 0;
};

// The handlers a window calls when its events happen.
class FormEvents {
 public:
  virtual ~FormEvents() = default;
  virtual void Form_Load() = 0;
  virtual void Command1_Click() = 0;
  virtual void Command2_Click() = 0;
};

}  // namespace app
