// The headless driver.
//
//   set-up and the program's runs     Run, StartProgram, OnIdle
//   command dispatch                  Execute
//   input                             Type, Key, pointer commands
//   queries                           Get, pixel, shot, model, suggest
#include "tools/script/ScriptDriver.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "app/DivisionModel.h"
#include "app/Entry.h"
#include "app/LayoutStyles.h"
#include "framework/Forms.h"
#include "framework/Runtime.h"
#include "platform/CommandLine.h"
#include "platform/Keys.h"
#include "tools/script/PngWriter.h"

using namespace platform;

namespace {

std::string Escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\n')
      out += "\\n";
    else if (c != '\r')
      out += c;
  }
  return out;
}

std::vector<std::string> Words(const std::string& s) {
  std::istringstream in(s);
  std::vector<std::string> w;
  for (std::string x; in >> x;) w.push_back(x);
  return w;
}

bool ParseInt(const std::string& s, long long& v) {
  if (s.empty()) return false;
  char* end = nullptr;
  v = std::strtoll(s.c_str(), &end, 10);
  return end && *end == '\0';
}

// The rest of the line after the command word and one blank, exactly as written.
std::string RestOf(const std::string& line, const std::string& command) {
  if (line.size() <= command.size() + 1) return {};
  return line.substr(command.size() + 1);
}

std::vector<std::uint32_t> CodePoints(const std::string& s) {
  std::vector<std::uint32_t> out;
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    int n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    std::uint32_t cp = n == 1 ? c : n == 2 ? c & 0x1F : n == 3 ? c & 0x0F : c & 0x07;
    for (int k = 1; k < n && i + k < s.size(); ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    out.push_back(cp);
    i += n;
  }
  return out;
}

// The key that types a character on a plain keyboard, if there is one.
bool KeyForChar(std::uint32_t ch, int& vk, TShiftState& shift) {
  shift = 0;
  if (ch >= 'a' && ch <= 'z') {
    vk = static_cast<int>(ch - 'a' + 'A');
    return true;
  }
  if (ch >= 'A' && ch <= 'Z') {
    vk = static_cast<int>(ch);
    shift = ksShift;
    return true;
  }
  if (ch >= '0' && ch <= '9') {
    vk = static_cast<int>(ch);
    return true;
  }
  switch (ch) {
    case ' ': vk = VK_SPACE; return true;
    case '-': vk = 0xBD; return true;
    case '+':
      vk = 0xBB;
      shift = ksShift;
      return true;
    case '=': vk = 0xBB; return true;
    case '.': vk = 0xBE; return true;
    case ',': vk = 0xBC; return true;
    default: return false;
  }
}

}  // namespace

bool ParseDesktopScale(const std::string& word, double& scale) {
  char* end = nullptr;
  const double v = std::strtod(word.c_str(), &end);
  if (word.empty() || !end || *end != '\0' || !(v >= 1.0 && v <= 3.0)) return false;
  scale = v;
  return true;
}

TScriptDriver::TScriptDriver(std::istream& in, std::ostream& out, bool echo) : m_in(in), m_out(out), m_echo(echo) {
  m_platform.OnIdle = [this] { return OnIdle(); };
  m_platform.Observer.Beep = [this] { Print("! beep"); };
  m_platform.Observer.OpenUrl = [this](const std::string& url) { Print("! open " + url); };
  m_platform.Observer.MessageBoxShown = [this](const std::string& caption, const std::string& text) {
    m_boxOpen = true;
    Print("! msgbox " + caption + " | " + Escape(text));
  };
  m_platform.Observer.MessageBoxClosed = [this] { m_boxOpen = false; };
}

void TScriptDriver::Print(const std::string& text) {
  m_out << text << '\n';
  m_out.flush();
}

bool TScriptDriver::NextLine(std::string& line) {
  while (std::getline(m_in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    if (m_echo) Print("> " + line);
    return true;
  }
  return false;
}

int TScriptDriver::Run() {
  SetPlatform(&m_platform);
  std::string line;
  while (NextLine(line)) {
    const std::vector<std::string> w = Words(line);
    const std::string& cmd = w[0];
    if (cmd == "start") {
      StartProgram(SplitCommandLine(RestOf(line, cmd)));
    } else if (cmd == "screen" || cmd == "foreign" || cmd == "model" || cmd == "suggest" || cmd == "decimal" ||
               cmd == "clip") {
      Execute(line);
    } else if (m_started) {
      Error("the program has ended");
    } else {
      m_pending = line;
      StartProgram({});
    }
  }
  SetPlatform(nullptr);
  return 0;
}

void TScriptDriver::StartProgram(const std::vector<std::string>& args) {
  m_running = true;
  m_started = true;
  int code = 0;
  try {
    code = RunOrvanta(args, "orvanta");
  } catch (const std::exception& e) {
    Print(std::string("! error ") + e.what());
    code = 1;
  }
  m_running = false;
  m_boxOpen = false;
  Print("! exit " + std::to_string(code));
}

bool TScriptDriver::OnIdle() {
  std::string line;
  if (m_pending) {
    line = *m_pending;
    m_pending.reset();
  } else if (!NextLine(line)) {
    // The end of the script: stop here without closing the program.
    m_out.flush();
    std::fflush(stdout);
    std::_Exit(0);
  }
  Execute(line);
  return true;
}

TCustomForm* TScriptDriver::MainForm() const { return Application ? Application->MainForm() : nullptr; }

TWindowId TScriptDriver::MainWindow() const {
  TCustomForm* f = MainForm();
  return f && f->HasHandle() ? f->Handle() : NoWindow;
}

TWindowId TScriptDriver::OtherProgramWindow() {
  if (m_otherProgram == NoWindow) m_otherProgram = m_platform.AddForeignWindow("OtherProgram", "");
  return m_otherProgram;
}

void TScriptDriver::PaintPending() {
  if (!Application) return;
  for (TCustomForm* f : std::vector<TCustomForm*>(Application->Forms())) f->PaintPending();
}

bool TScriptDriver::ClientToScreen(int x, int y, TPoint& screen) {
  const THeadlessPlatform::TWindowRecord* w = m_platform.Window(MainWindow());
  if (!w) return false;
  // Commands speak the window description's pixels; the pointer lands on the device pixel at the
  // top-left of the logical one.
  const int s = WindowScale();
  screen = {w->Bounds.Left + x * s, w->Bounds.Top + y * s};
  return true;
}

int TScriptDriver::WindowScale() const {
  TCustomForm* f = MainForm();
  return f && f->HasHandle() ? f->Scale() : 1;
}

// The R G B of the device pixel at the top-left of logical pixel (x, y); `scale` 1 reads device
// pixels themselves.
void TScriptDriver::PrintPixel(long long x, long long y, int scale) {
  PaintPending();
  const auto* rec = m_platform.Window(MainWindow());
  if (!rec) return Error("no main window");
  if (x < 0 || y < 0 || x >= rec->Pixels.Width / scale || y >= rec->Pixels.Height / scale)
    return Error("outside the window");
  const TPixel p = rec->Pixels.At(static_cast<int>(x) * scale, static_cast<int>(y) * scale);
  Print(std::to_string((p >> 16) & 0xFF) + " " + std::to_string((p >> 8) & 0xFF) + " " + std::to_string(p & 0xFF));
}

// screen W H [SCALE]: a primary screen of W x H pixels at 100 % shown at the desktop scale SCALE
// (1 to 3, fractions allowed; the run's scale when omitted), that is round(W x SCALE) x
// round(H x SCALE) device pixels.
void TScriptDriver::SetScreen(const std::vector<std::string>& w) {
  long long a = 0, b = 0;
  double scale = m_desktopScale;
  const bool scaleOk = w.size() == 3 || (w.size() == 4 && ParseDesktopScale(w[3], scale));
  if (w.size() < 3 || w.size() > 4 || !ParseInt(w[1], a) || !ParseInt(w[2], b) || a <= 0 || b <= 0 || a > 100000 ||
      b > 100000 || !scaleOk)
    return Error("usage: screen W H [SCALE] (SCALE from 1 to 3)");
  ApplyScreen(a, b, scale);
}

void TScriptDriver::ApplyScreen(long long w, long long h, double scale) {
  m_platform.SetScreenSize(static_cast<int>(std::lround(w * scale)), static_cast<int>(std::lround(h * scale)));
  m_platform.SetDesktopScale(scale);
}

void TScriptDriver::SetDesktopScale(double scale) {
  m_desktopScale = scale;
  ApplyScreen(1920, 1080, scale);
}

// rescale SCALE: the display under the program's windows changes to the desktop scale SCALE (1
// to 3) while the program runs, as when a window moves to a monitor of another scale. The screen
// keeps its device pixels.
void TScriptDriver::Rescale(const std::vector<std::string>& w) {
  double scale = 1.0;
  if (w.size() != 2 || !ParseDesktopScale(w[1], scale)) return Error("usage: rescale SCALE (from 1 to 3)");
  m_platform.ChangeDesktopScale(scale);
}

bool TScriptDriver::ParseButton(const std::string& word, TMouseButtonId& button) {
  if (word.empty() || word == "left")
    button = pbLeft;
  else if (word == "right")
    button = pbRight;
  else if (word == "middle")
    button = pbMiddle;
  else
    return false;
  return true;
}

void TScriptDriver::Execute(const std::string& line) {
  const std::vector<std::string> w = Words(line);
  const std::string& cmd = w[0];
  long long a = 0, b = 0;

  if (cmd == "start") return Error("the program is running");
  if (cmd == "screen") return SetScreen(w);
  if (cmd == "foreign") {
    const std::string desc = RestOf(line, cmd);
    const size_t bar = desc.find('|');
    if (bar == std::string::npos) return Error("usage: foreign CLASS|CAPTION");
    m_platform.AddForeignWindow(desc.substr(0, bar), desc.substr(bar + 1));
    return;
  }
  if (cmd == "model") {
    long long v[5];
    if (w.size() != 6) return Error("usage: model Z K N W Y");
    for (int i = 0; i < 5; ++i)
      if (!ParseInt(w[i + 1], v[i]) || v[i] < INT32_MIN || v[i] > INT32_MAX) return Error("not a 32-bit integer");
    if (!IsLayoutStyle(static_cast<std::int32_t>(v[4])))
      return Error("style outside 1 to " + std::to_string(kStyleCount));
    try {
      Print(SlabWidthText(static_cast<std::int32_t>(v[0]), static_cast<std::int32_t>(v[1]),
                          static_cast<std::int32_t>(v[2]), static_cast<std::int32_t>(v[3]),
                          static_cast<std::int32_t>(v[4]), DecimalSeparator()));
    } catch (const Exception& e) {
      Print(e.Message());
    }
    return;
  }
  if (cmd == "suggest") {
    if (w.size() != 2 || !ParseInt(w[1], a) || a < INT32_MIN || a > INT32_MAX) return Error("usage: suggest Z");
    const auto n = SuggestedCount(static_cast<std::int32_t>(a));
    Print(n ? std::to_string(*n) : "none");
    return;
  }
  if (cmd == "decimal") {
    const std::string sep = RestOf(line, cmd);
    if (sep.size() != 1) return Error("usage: decimal SEP (one character)");
    m_platform.SetDecimalSeparator(sep[0]);
    if (m_running)
      m_platform.Push({evSettingsChange, NoWindow});
    else
      SetDecimalSeparator(sep[0]);
    return;
  }
  if (cmd == "clip") {
    if (w.size() >= 2 && w[1] == "get") {
      Print(Escape(m_platform.ClipboardText().value_or("")));
      return;
    }
    if (w.size() >= 2 && w[1] == "set") {
      m_platform.SetClipboardText(line.size() > 9 ? line.substr(9) : "");
      return;
    }
    return Error("usage: clip get | clip set TEXT");
  }
  if (!m_running) return Error("the program is not running");

  if (cmd == "type") return Type(RestOf(line, cmd));
  if (cmd == "key") {
    if (w.size() != 2) return Error("usage: key NAME");
    return Key(w[1]);
  }
  if (cmd == "move" || cmd == "click" || cmd == "dblclick") {
    TPoint screen;
    if (w.size() < 3 || !ParseInt(w[1], a) || !ParseInt(w[2], b)) return Error("usage: " + cmd + " X Y");
    if (!ClientToScreen(static_cast<int>(a), static_cast<int>(b), screen)) return Error("no main window");
    TMouseButtonId button = pbLeft;
    if (cmd == "click" && !ParseButton(w.size() > 3 ? w[3] : "", button)) return Error("unknown button " + w[3]);
    m_platform.MovePointer(screen, 0);
    if (cmd == "move") return;
    for (int i = 0; i < (cmd == "dblclick" ? 2 : 1); ++i) {
      m_platform.Press(button, 0);
      m_platform.Release(button, 0);
    }
    return;
  }
  if (cmd == "down" || cmd == "up") {
    TMouseButtonId button = pbLeft;
    if (!ParseButton(w.size() > 1 ? w[1] : "", button)) return Error("unknown button " + w[1]);
    if (cmd == "down")
      m_platform.Press(button, 0);
    else
      m_platform.Release(button, 0);
    return;
  }
  if (cmd == "wait") {
    if (w.size() != 2 || !ParseInt(w[1], a) || a < 0) return Error("usage: wait MS");
    m_platform.Wait(static_cast<std::uint64_t>(a));
    return;
  }
  if (cmd == "rescale") return Rescale(w);
  if (cmd == "activate") {
    if (m_boxOpen) return;  // the box stays the active window
    if (MainWindow() == NoWindow) return Error("no main window");
    m_platform.Activate(MainWindow(), false);
    return;
  }
  if (cmd == "deactivate") {
    m_platform.Activate(OtherProgramWindow(), false);
    return;
  }
  if (cmd == "ok") {
    if (!m_boxOpen) return Error("no message box is open");
    m_platform.Key(true, VK_RETURN, 0);
    m_platform.Key(false, VK_RETURN, 0);
    return;
  }
  if (cmd == "get") {
    if (w.size() != 2) return Error("usage: get NAME.PROPERTY");
    return Get(w[1]);
  }
  if (cmd == "pixel" || cmd == "dpixel") {
    if (w.size() != 3 || !ParseInt(w[1], a) || !ParseInt(w[2], b)) return Error("usage: " + cmd + " X Y");
    return PrintPixel(a, b, cmd == "pixel" ? WindowScale() : 1);
  }
  if (cmd == "presents") {
    // How often the window was presented since the last `presents`, and the area presented.
    const auto* rec = m_platform.Window(MainWindow());
    if (!rec) return Error("no main window");
    const int scale = WindowScale();
    const TRect r{rec->PresentedArea.Left / scale, rec->PresentedArea.Top / scale,
                  (rec->PresentedArea.Right + scale - 1) / scale, (rec->PresentedArea.Bottom + scale - 1) / scale};
    std::string text = std::to_string(rec->Presents);
    if (rec->Presents > 0)
      text += " " + std::to_string(r.Left) + " " + std::to_string(r.Top) + " " + std::to_string(r.Width()) + " " +
              std::to_string(r.Height());
    Print(text);
    m_platform.ForgetPresents(MainWindow());
    return;
  }
  if (cmd == "shot") {
    const std::string file = RestOf(line, cmd);
    PaintPending();
    const auto* rec = m_platform.Window(MainWindow());
    if (!rec) return Error("no main window");
    if (file.empty() || !WritePng(file, rec->Pixels)) return Error("cannot write " + file);
    return;
  }
  Error("unknown command " + cmd);
}

void TScriptDriver::Type(const std::string& text) {
  for (std::uint32_t ch : CodePoints(text)) {
    int vk = 0;
    TShiftState shift = 0;
    const bool hasKey = KeyForChar(ch, vk, shift);
    if (hasKey) m_platform.Key(true, vk, shift);
    m_platform.Char(ch, shift);
    if (hasKey) m_platform.Key(false, vk, shift);
  }
}

void TScriptDriver::Key(const std::string& desc) {
  TShiftState shift = 0;
  std::string name = desc;
  for (;;) {
    if (name.rfind("Shift+", 0) == 0) {
      shift |= ksShift;
      name = name.substr(6);
    } else if (name.rfind("Ctrl+", 0) == 0) {
      shift |= ksCtrl;
      name = name.substr(5);
    } else if (name.rfind("Alt+", 0) == 0) {
      shift |= ksAlt;
      name = name.substr(4);
    } else
      break;
  }
  struct TNamedKey {
    const char* Name;
    int Vk;
    std::uint32_t Char;
  };
  static const TNamedKey kKeys[] = {
      {"Enter", VK_RETURN, ccEnter},
      {"Tab", VK_TAB, ccTab},
      {"Esc", VK_ESCAPE, ccEscape},
      {"Backspace", VK_BACK, ccBackspace},
      {"Delete", VK_DELETE, 0},
      {"Insert", VK_INSERT, 0},
      {"Left", VK_LEFT, 0},
      {"Right", VK_RIGHT, 0},
      {"Up", VK_UP, 0},
      {"Down", VK_DOWN, 0},
      {"Home", VK_HOME, 0},
      {"End", VK_END, 0},
      {"PageUp", VK_PRIOR, 0},
      {"PageDown", VK_NEXT, 0},
      {"Space", VK_SPACE, ' '},
  };
  int vk = 0;
  std::uint32_t ch = 0;
  bool found = false;
  for (const auto& k : kKeys)
    if (name == k.Name) {
      vk = k.Vk;
      ch = k.Char;
      found = true;
    }
  if (!found && name.size() >= 2 && name[0] == 'F') {
    long long n = 0;
    if (ParseInt(name.substr(1), n) && n >= 1 && n <= 12) {
      vk = VK_F1 + static_cast<int>(n) - 1;
      found = true;
    }
  }
  if (!found && name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0]))) {
    const char c = name[0];
    found = true;
    if (std::isdigit(static_cast<unsigned char>(c))) {
      vk = c;
      ch = (shift & ksCtrl) ? 0 : static_cast<std::uint32_t>(c);
    } else {
      const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      vk = upper;
      if (shift & ksCtrl)
        ch = static_cast<std::uint32_t>(ccCtrlA + (upper - 'A'));
      else
        ch = static_cast<std::uint32_t>((shift & ksShift) ? upper : std::tolower(static_cast<unsigned char>(c)));
    }
  }
  if (!found) return Error("unknown key " + desc);
  if ((shift & ksCtrl) && (vk == VK_RETURN || vk == VK_TAB || vk == VK_ESCAPE || vk == VK_SPACE)) {
    // Ctrl+Enter gives a line feed, the others no character.
    ch = vk == VK_RETURN ? std::uint32_t{ccLineFeed} : 0;
  }
  m_platform.Key(true, vk, shift);
  if (ch) m_platform.Char(ch, shift);
  m_platform.Key(false, vk, shift);
}

void TScriptDriver::Get(const std::string& what) {
  if (what == "model") {
    const TDivisionModel& m = Model();
    Print(std::to_string(m.zongchang) + " " + std::to_string(m.kuai) + " " + std::to_string(m.neifeng) + " " +
          std::to_string(m.waifeng) + " " + std::to_string(m.yangshi));
    return;
  }
  TCustomForm* form = MainForm();
  if (what == "focus") {
    Print(form && form->ActiveControl() ? form->ActiveControl()->Name() : "");
    return;
  }
  const size_t dot = what.find('.');
  if (dot == std::string::npos) return Error("usage: get NAME.PROPERTY");
  const std::string name = what.substr(0, dot), prop = what.substr(dot + 1);
  if (!form) return Error("no main window");
  TComponent* c = name == form->Name() ? form : form->FindComponent(name);
  if (!c) return Error("no component " + name);
  std::string value;
  try {
    if (!c->GetPropertyText(prop, value)) return Error(name + " has no property " + prop);
  } catch (const Exception& e) {
    return Print("! error " + e.Message());
  }
  Print(Escape(value));
}
