// The headless driver: runs the program on the headless backend and drives it from a script,
// one command a line, printing one line per query and an event line for what the program does
// by itself.
#pragma once

#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/headless/HeadlessPlatform.h"

class TCustomForm;

// A desktop scale as the driver takes it (`--scale`, `screen`, `rescale`): a number from 1 to 3.
bool ParseDesktopScale(const std::string& word, double& scale);

class TScriptDriver {
 public:
  // With `echo` each command is printed ("> " and the line) as it is read, before its output.
  TScriptDriver(std::istream& in, std::ostream& out, bool echo = false);
  // Runs the whole script; returns the exit status.
  int Run();
  // The desktop scale of the run: the 1920 x 1080 screen and every `screen W H` without a scale
  // of its own are shown at it.
  void SetDesktopScale(double scale);

 private:
  bool NextLine(std::string& line);
  bool OnIdle();
  void StartProgram(const std::vector<std::string>& args);
  void Execute(const std::string& line);
  void Print(const std::string& text);
  void Error(const std::string& what) { Print("! error " + what); }

  // Commands.
  void Type(const std::string& text);
  void Key(const std::string& desc);
  bool ClientToScreen(int x, int y, TPoint& screen);
  int WindowScale() const;
  void PrintPixel(long long x, long long y, int scale);
  void SetScreen(const std::vector<std::string>& words);
  void ApplyScreen(long long w, long long h, double scale);
  void Rescale(const std::vector<std::string>& words);
  bool ParseButton(const std::string& word, platform::TMouseButtonId& button);
  void Get(const std::string& what);
  void PaintPending();
  TCustomForm* MainForm() const;
  platform::TWindowId MainWindow() const;
  platform::TWindowId OtherProgramWindow();

  std::istream& m_in;
  std::ostream& m_out;
  bool m_echo = false;
  platform::THeadlessPlatform m_platform;
  bool m_running = false;
  bool m_started = false;
  bool m_boxOpen = false;
  std::optional<std::string> m_pending;
  platform::TWindowId m_otherProgram = platform::NoWindow;
  double m_desktopScale = 1.0;
};
