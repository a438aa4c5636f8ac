#include "app/Entry.h"

#include "app/DivisionModel.h"
#include "app/Unit1.h"
#include "app/assets/BuiltInAssets.h"
#include "framework/ExtCtrls.h"
#include "framework/FontEngine.h"
#include "framework/Forms.h"
#include "framework/Runtime.h"
#include "pictures/PictureClasses.h"

namespace {

std::string AsciiLower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// Module initialisation and clean-up: the application and screen objects, the program's state.
struct TModules {
  TApplication application;
  TScreen screen;
  explicit TModules(const std::string& exePath) {
    ResetModel();
    RandSeed = 0;
    SetDecimalSeparator(platform::Platform().LocaleDecimalSeparator());
    Application = &application;
    Screen = &screen;
    application.SetTitle(TApplication::TitleFromExeName(exePath));
    application.OnSettingsChange = [] { SetDecimalSeparator(platform::Platform().LocaleDecimalSeparator()); };
    // The picture classes and PNG chunk classes, and the built-in bitmap resources.
    RegisterPictureClasses();
    RegisterBuiltInBitmaps();
  }
  ~TModules() {
    while (!application.Components().empty()) delete application.Components().back();
    UnregisterPictureClasses();
    Screen = nullptr;
    Application = nullptr;
  }
};

}  // namespace

int RunOrvanta(const std::vector<std::string>& args, const std::string& exePath) {
  TModules modules(exePath);
  TApplication& app = modules.application;

  // The version switch, looked for before anything else.
  for (const std::string& arg : args) {
    if (AsciiLower(arg) == "/acver") {
      app.MessageBox("Scalvora v6.48", app.Title(), false);
      break;
    }
  }

  // One copy at a time: a running copy is left untouched.
  if (platform::Platform().FindWindow("TForm1", "Orvanta")) return 0;

  // The hidden owner window becomes a tool window: no taskbar button, no task-switcher entry.
  const platform::TWindowId owner = app.Handle();
  SetWindowLongA(owner, GWL_EXSTYLE, GetWindowLongA(owner, GWL_EXSTYLE) + WS_EX_TOOLWINDOW);

  app.Initialize();
  app.CreateForm<TForm1>();
  // The glyphs of the first frame are kept for the next start once the window has shown, and
  // those drawn later when the program ends (a desktop may end it without asking).
  TFontEngine& fonts = TFontEngine::Instance();
  TTimer keepGlyphs(nullptr);
  keepGlyphs.SetEnabled(fonts.HasGlyphStore());
  keepGlyphs.SetInterval(2000);
  keepGlyphs.SetOnTimer([&](TObject*) {
    keepGlyphs.SetEnabled(false);
    fonts.SaveGlyphStore();
  });
  app.Run();
  fonts.SaveGlyphStore();
  return 0;
}
