#include "form1.h"

#include "cregistry/cregistry.h"

namespace app {

using cregistry::cRegistry;
using cregistry::HKEY_CURRENT_USER;

const std::array<const char16_t*, 12> kResetSections = {
    u"Software\\VB and VBA Program Settings\\Tovrik\\Velto Professional 7\\EpiLim",
    u"Software\\VB and VBA Program Settings\\Tovrik\\Velto Professional 7\\Fep",
    u"Software\\VB and VBA Program Settings\\Tovrik\\Velto Professional 7\\Fep2",
    u"Software\\VB and VBA Program Settings\\Tovrik\\Velto Professional 7\\OrigineDati",
    u"Software\\VB and VBA Program Settings\\Tovrik\\Velto Professional 7\\Parametri",
    u"Software\\VB and VBA Program Settings\\Tovrik\\Velto Professional 7\\Periodi",
    u"Software\\VB and VBA Program Settings\\Tovrik\\Velto Professional 7\\Progettista",
    u"Software\\VB and VBA Program Settings\\Tovrik\\Velto Professional 7\\Settings",
    u"Software\\VB and VBA Program Settings\\Tovrik\\Velto Professional 7\\Stampa",
    u"Software\\VB and VBA Program Settings\\Tovrik\\Velto Professional 7\\TipoTarga",
    u"Software\\VB and VBA Program Settings\\Tovrik\\Velto Professional 7\\U",
    u"Software\\VB and VBA Program Settings\\Tovrik\\Velto Professional 7\\Variabili",
};

void Form1::Form_Load() {
  // Single-precision arithmetic, handed on without rounding.
  const float top = (window_.ScreenHeight() - window_.WindowHeight()) / 2.0f;
  const float left = (window_.ScreenWidth() - window_.WindowWidth()) / 2.0f;
  window_.PlaceWindow(left, top);
  window_.SetLabelText(cregistry::Text(kFirstParagraph) + u"\r\n\r\n");
  window_.SetLabelText(window_.LabelText() + kSecondParagraph);
}

void Form1::Command1_Click() {
  if (window_.ShowMessage(kConfirmation, kCaption, kConfirmationFlags) == app::kIdYes) {
    ResetSettings();
    window_.EndProgram();
  }
}

void Form1::Command2_Click() { window_.EndProgram(); }

void Form1::ResetSettings() {
  // A step that fails is abandoned and the next one runs: nothing leaves.
  try {
    cRegistry registry(registry_);
    for (const char16_t* section : kResetSections) {
      try {
        registry.ClassKey(HKEY_CURRENT_USER);
        registry.SectionKey(section);
        registry.DeleteKey();
      } catch (...) {
      }
    }
  } catch (...) {
  }
}

}  // namespace app
