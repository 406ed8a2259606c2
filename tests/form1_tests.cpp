// The reset window's handlers against a recording window and the in-memory
// registry.
#include <deque>

#include "form1.h"
#include "layout.h"
#include "test_support.h"
#include "twips.h"

namespace {

using namespace testing_support;
using cregistry::Operation;
using cregistry::Text;

class RecordingWindow final : public app::WindowSystem {
 public:
  float ScreenWidth() const override { return screenWidth; }
  float ScreenHeight() const override { return screenHeight; }
  float WindowWidth() const override { return width; }
  float WindowHeight() const override { return height; }
  void PlaceWindow(float l, float t) override {
    left = l;
    top = t;
    ++placements;
  }
  Text LabelText() const override { return label; }
  void SetLabelText(const Text& text) override { label = text; }
  int ShowMessage(const Text& prompt, const Text& title, std::uint32_t flags) override {
    messages.push_back({prompt, title, flags});
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void EndProgram() override { ++ends; }

  float screenWidth = 15360, screenHeight = 11520;  // 1024 x 768 at 96 dpi
  float width = 6675, height = 3045;
  float left = -1, top = -1;
  int placements = 0;
  Text label = u"Velto Professional 7";
  struct Message {
    Text prompt, title;
    std::uint32_t flags;
  };
  std::vector<Message> messages;
  std::deque<int> answers;
  int ends = 0;
};

const std::string kBase = "Software\\VB and VBA Program Settings\\Tovrik\\Velto Professional 7";

class Form1Test : public ::testing::Test {
 protected:
  void SetUp() override {
    // Every section with a value, plus what the reset must leave alone.
    for (const char16_t* section : app::kResetSections) {
      registry.Store(kHkcu, cregistry::ToUtf8(section), "Value", 1, Bytes("x\0"));
    }
    registry.Store(kHkcu, kBase, "BaseValue", 4, Bytes("\1\0\0\0"));
    registry.Store(kHkcu, kBase + "\\Altro", "Kept", 1, Bytes("y\0"));
    registry.Store(kHkcu, kBase + "\\Stampa\\Sotto", "Child", 1, Bytes("z\0"));
  }
  cregistry::MemoryRegistry registry;
  cregistry::HookedService hooks{registry};
  RecordingWindow window;
  app::Form1 form{window, hooks};
};

// The shipped program is 32-bit: on 64-bit Windows it resets the sections
// that a 64-bit program sees (HKEY_CURRENT_USER\Software is shared between
// the views). On the in-memory registry, a 64-bit program on the same
// computer makes and checks them; on advapi32, this program in the 64-bit
// view (under Wine's WOW64 too; on Windows without it, the one registry).
TEST(Form1Views, AResetReachesTheSectionsA64BitProgramSees) {
  cregistry::MemoryRegistry wow64(1252, Program::k32BitOn64BitWindows);
  cregistry::MemoryRegistry native(wow64, Program::k64BitOn64BitWindows);
  std::vector<std::pair<cregistry::RegistryService*, cregistry::RegistryService*>> sides = {
      {&wow64, &native}};
#ifdef _WIN32
  cregistry::Win32Registry windows;
  sides.emplace_back(&windows, &windows);
#endif
  for (const auto& [program, seer] : sides) {
    const auto in64 = [seer = seer](const char16_t* section, bool make) {
      cregistry::KeyHandle key = 0;
      const auto path = cregistry::ToUtf8(section);
      const auto rights = cregistry::access::kAllValueAndKeyRights | cregistry::access::kView64;
      const cregistry::Status st = make ? seer->CreateKey(kHkcu, path, rights, key)
                                        : seer->OpenKey(kHkcu, path, rights, key);
      if (st == 0) seer->CloseKey(key);
      return st;
    };
    for (const char16_t* section : app::kResetSections) ASSERT_EQ(in64(section, true), 0);
    RecordingWindow window;
    window.answers = {app::kIdYes};
    app::Form1 form{window, *program};
    form.Command1_Click();
    EXPECT_EQ(window.ends, 1);
    for (const char16_t* section : app::kResetSections) {
      EXPECT_EQ(in64(section, false), cregistry::status::kFileNotFound) << ToUtf8(section);
    }
    EXPECT_TRUE(DeleteTree(*seer, kHkcu, "Software\\VB and VBA Program Settings",
                           cregistry::access::kView64));
  }
}

TEST_F(Form1Test, LoadCentresTheWindowAndFillsTheLabel) {
  form.Form_Load();
  EXPECT_EQ(window.placements, 1);
  EXPECT_FLOAT_EQ(window.left, (15360.0f - 6675.0f) / 2);
  EXPECT_FLOAT_EQ(window.top, (11520.0f - 3045.0f) / 2);
  EXPECT_EQ(window.label,
            u"Questo applicazione effettua l'azzeramento di tutti i parametri di "
            u"configurazione di Velto Professional\r\n\r\n"
            u"Per proseguire occorre chiudere il programma Velto Professional.");
  // Odd sizes keep their half twip: nothing is rounded.
  window.width = 6676;
  window.height = 3046;
  form.Form_Load();
  EXPECT_FLOAT_EQ(window.left, 4342.0f);
  EXPECT_FLOAT_EQ(window.top, 4237.0f);
  window.width = 6675;
  form.Form_Load();
  EXPECT_FLOAT_EQ(window.left, 4342.5f);
  EXPECT_TRUE(hooks.Calls().empty());
}

TEST_F(Form1Test, YesDeletesTheTwelveSectionsInOrderAndEnds) {
  window.answers = {app::kIdYes};
  form.Command1_Click();
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0].prompt, u"Si \u00e8 sicuri di volere azzerare i parametri?");
  EXPECT_EQ(window.messages[0].title, u"Reset Parametri Velto Professional");
  EXPECT_EQ(window.messages[0].flags, 564u);
  EXPECT_EQ(window.ends, 1);

  std::vector<std::string> deleted;
  for (const auto& call : hooks.Calls()) {
    EXPECT_EQ(call.operation, Operation::kDeleteKey);  // nothing else asked
    EXPECT_EQ(call.key, kHkcu);
    deleted.push_back(call.name);
  }
  const char* const sections[] = {"EpiLim",    "Fep",       "Fep2",        "OrigineDati",
                                  "Parametri", "Periodi",   "Progettista", "Settings",
                                  "Stampa",    "TipoTarga", "U",           "Variabili"};
  ASSERT_EQ(deleted.size(), 12u);
  for (std::size_t i = 0; i < 12; ++i) {
    EXPECT_EQ(deleted[i], kBase + "\\" + sections[i]);
  }
  // Stampa (9th) still has a sub-key: it survives, and the sections after it
  // are deleted all the same.
  for (std::size_t i = 0; i < 12; ++i) {
    const bool survives = i == 8;
    EXPECT_EQ(registry.KeyPresent(kHkcu, cregistry::ToUtf8(app::kResetSections[i])), survives)
        << cregistry::ToUtf8(app::kResetSections[i]);
  }
  EXPECT_TRUE(registry.Stored(kHkcu, kBase, "BaseValue").has_value());
  EXPECT_TRUE(registry.Stored(kHkcu, kBase + "\\Altro", "Kept").has_value());
  EXPECT_TRUE(registry.KeyPresent(kHkcu, "Software\\VB and VBA Program Settings\\Tovrik"));
  EXPECT_EQ(hooks.OpenHandleCount(), 0);
}

TEST_F(Form1Test, NoChangesNothingAndAsksAgainNextTime) {
  window.answers = {app::kIdNo, app::kIdNo};
  form.Command1_Click();
  form.Command1_Click();
  EXPECT_EQ(window.messages.size(), 2u);
  EXPECT_EQ(window.ends, 0);
  EXPECT_TRUE(hooks.Calls().empty());
}

TEST_F(Form1Test, AnnullaEndsWithoutTouchingTheRegistry) {
  form.Command2_Click();
  EXPECT_EQ(window.ends, 1);
  EXPECT_TRUE(window.messages.empty());
  EXPECT_TRUE(hooks.Calls().empty());
}

TEST_F(Form1Test, ResetGoesOnPastRefusedAndMissingSections) {
  hooks.InjectFault(Operation::kDeleteKey, cregistry::status::kAccessDenied, 1);
  form.ResetSettings();
  EXPECT_TRUE(registry.KeyPresent(kHkcu, cregistry::ToUtf8(app::kResetSections[0])));
  EXPECT_FALSE(registry.KeyPresent(kHkcu, cregistry::ToUtf8(app::kResetSections[1])));
  form.ResetSettings();  // the rest are missing now: passed over, no error
  EXPECT_EQ(hooks.CountCalls(Operation::kDeleteKey), 24);
  EXPECT_FALSE(registry.KeyPresent(kHkcu, cregistry::ToUtf8(app::kResetSections[0])));
}

TEST(Twips, ConvertAtTheScreensResolution) {
  using app::TwipsToPixels;
  EXPECT_EQ(TwipsToPixels(app::layout::kClientWidth, 96), 439);
  EXPECT_EQ(TwipsToPixels(app::layout::kClientHeight, 96), 169);
  EXPECT_EQ(TwipsToPixels(app::layout::kClientWidth, 144), 659);  // 658.5 rounds up
  EXPECT_EQ(TwipsToPixels(app::layout::kCommand1.width, 96), 325);
  EXPECT_EQ(TwipsToPixels(app::layout::kCommand2.left, 120), 440);
  EXPECT_FLOAT_EQ(app::PixelsToTwips(1024, 96), 15360.0f);
  EXPECT_FLOAT_EQ(app::PixelsToTwips(768, 96), 11520.0f);
}

}  // namespace
