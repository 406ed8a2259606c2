// Form1: the reset window's behaviour, independent of how it is drawn.
#pragma once

#include <array>

#include "cregistry/registry_service.h"
#include "window_system.h"

namespace app {

// The window's caption and the confirmation box's title.
inline constexpr char16_t kCaption[] = u"Reset Parametri Velto Professional";
inline constexpr char16_t kFirstParagraph[] =
    u"Questo applicazione effettua l'azzeramento di tutti i parametri di "
    u"configurazione di Velto Professional";
inline constexpr char16_t kSecondParagraph[] =
    u"Per proseguire occorre chiudere il programma Velto Professional.";
inline constexpr char16_t kConfirmation[] = u"Si \u00e8 sicuri di volere azzerare i parametri?";
// MB_YESNO + MB_ICONEXCLAMATION + MB_DEFBUTTON3.
inline constexpr std::uint32_t kConfirmationFlags = 564;

// The twelve settings sections below HKEY_CURRENT_USER, in reset order.
extern const std::array<const char16_t*, 12> kResetSections;

class Form1 final : public app::FormEvents {
 public:
  Form1(app::WindowSystem& window, cregistry::RegistryService& registry)
      : window_(window), registry_(registry) {}

  // Centres the window on the screen and fills the label.
  void Form_Load() override;
  // Asks for confirmation; on Yes resets the settings and ends the program.
  void Command1_Click() override;
  // Ends the program.
  void Command2_Click() override;
  // Deletes the twelve sections in order, passing over any that fails.
  void ResetSettings();

 private:
  app::WindowSystem& window_;
  cregistry::RegistryService& registry_;
};

}  // namespace app
