// Start-up: the reset window is the program; there is nothing before it.
#include <windows.h>

#include <commctrl.h>

#include "cregistry/win32_registry.h"
#include "form1.h"
#include "layout.h"
#include "resource.h"
#include "win32_window.h"

namespace {

app::WindowDescription Form1Window() {
  app::WindowDescription window;
  window.caption = app::kCaption;
  window.clientWidth = app::layout::kClientWidth;
  window.clientHeight = app::layout::kClientHeight;
  window.label = {app::layout::kLabel1, u"Velto Professional 7"};
  window.command1 = {app::layout::kCommand1, u"Reset parametri"};
  window.command2 = {app::layout::kCommand2, u"Annulla"};
  window.labelFontPoints = app::layout::kLabelFontPoints;
  window.iconResource = IDI_APPLICATION_ICON;
  return window;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  cregistry::Win32Registry registry;
  app::Win32Window window(instance, Form1Window());
  app::Form1 form(window, registry);
  return window.Run(form);
}
