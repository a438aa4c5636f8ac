// Start-up benchmark: how fast a program's window appears and answers a key, and what it costs
// in memory, on a private X server, measured from outside the program.
//
//   startup-bench [--runs N] [--keys K] [--idle SECONDS] [NAME=COMMAND ...]
//
// Each program is started in turn (round-robin, N runs each) on an Xvfb of its own. The
// benchmark watches the screen with its own X connection:
//   map      process start to the MapNotify of its top-level window (SubstructureNotify on the root)
//   first    process start to the first damage (XDamage on the root: any drawing anywhere)
//   painted  process start to the last damage of the start-up burst (the screen then stays
//            unchanged for kQuietMs): the window's content is complete
//   RSS      resident memory once painted; libs: shared objects mapped
//   key      a key press sent with XTest to first damage after it (the digits 1, 2, 3, ...,
//            each released once its damage has arrived)
//   idle     processor time the program takes while left alone after the keys, scaled to 10 s
//            (from the scheduler's per-thread accounting, which counts nanoseconds)
// and prints medians with their ratio to the reference programs measured in the same run: xcalc,
// a bare Xlib window, and the same window with a blinking caret (the least a program idles on
// with one; `--idle 10` measures the whole ten seconds). Each program caches in a directory of
// its own; "orvanta" runs with what its earlier runs kept (the glyphs of its first frame, kept
// two seconds after its start: its first run is cold), as a user starts it, and "orvanta-cold"
// with an empty cache every run. Exit status 3 when a run failed (no window mapped or nothing
// drawn within 10 s).
//
// Sections:
//   1. Clock, statistics, processes
//   2. The private X server
//   3. Watching the screen
//   4. One run of a program
//   5. The table
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

constexpr double kQuietMs = 200;     // no damage for this long: the program has finished painting
constexpr double kKeyQuietMs = 100;  // settling after a key before the next one
constexpr double kStartLimitMs = 10000;
constexpr double kKeyLimitMs = 2000;

// ---------------------------------------------------------------------------------------------
// 1. Clock, statistics, processes
// ---------------------------------------------------------------------------------------------

double NowMs() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t mid = values.size() / 2;
  return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

std::vector<std::string> SplitWords(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

// Starts a program with DISPLAY and the given variables set and its output discarded (fd 3 may
// carry a pipe's end).
pid_t Spawn(const std::vector<std::string>& command, const std::string& display, int fd3 = -1,
            const std::vector<std::string>& variables = {}) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    if (std::strncmp(*e, "DISPLAY=", 8) != 0) env.emplace_back(*e);
  }
  if (!display.empty()) env.push_back("DISPLAY=" + display);
  env.insert(env.end(), variables.begin(), variables.end());
  std::vector<char*> argv;
  std::vector<char*> envp;
  for (const std::string& s : command) argv.push_back(const_cast<char*>(s.c_str()));
  for (const std::string& s : env) envp.push_back(const_cast<char*>(s.c_str()));
  argv.push_back(nullptr);
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  if (fd3 >= 0) posix_spawn_file_actions_adddup2(&actions, fd3, 3);
  pid_t pid = -1;
  const int error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) throw std::runtime_error("cannot start " + command[0] + ": " + std::strerror(error));
  return pid;
}

// Ends a process this benchmark started: SIGTERM, then SIGKILL if it has not gone within 2 s.
void Stop(pid_t pid) {
  kill(pid, SIGTERM);
  for (int i = 0; i < 200; ++i) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

// Processor time of every thread of a process so far, in ms.
double CpuMsOf(pid_t pid) {
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  double ns = 0;
  for (const auto& task : std::filesystem::directory_iterator(tasks)) {
    std::ifstream schedstat(task.path() / "schedstat");
    double onCpu = 0;
    if (schedstat >> onCpu) ns += onCpu;
  }
  return ns / 1e6;
}

// Resident memory in KiB and the number of shared objects mapped.
std::pair<double, int> MemoryOf(pid_t pid) {
  const std::string dir = "/proc/" + std::to_string(pid);
  double rss = 0;
  std::ifstream status(dir + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) rss = std::stod(line.substr(6));
  }
  std::set<std::string> libraries;
  std::ifstream maps(dir + "/maps");
  for (std::string line; std::getline(maps, line);) {
    const size_t slash = line.find('/');
    if (slash == std::string::npos) continue;
    const std::string path = line.substr(slash);
    if (path.find(".so") != std::string::npos) libraries.insert(path);
  }
  return {rss, static_cast<int>(libraries.size())};
}

// ---------------------------------------------------------------------------------------------
// 2. The private X server
// ---------------------------------------------------------------------------------------------

// An Xvfb on a display number it picks itself, ended with the benchmark.
class TXServer {
 public:
  TXServer() {
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe");
    m_pid = Spawn({"Xvfb", "-displayfd", "3", "-screen", "0", "1920x1080x24", "-nolisten", "tcp"}, "", fds[1]);
    close(fds[1]);
    std::string number;
    char c = 0;
    while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) throw std::runtime_error("Xvfb did not start");
    m_display = ":" + number;
  }
  ~TXServer() { Stop(m_pid); }
  TXServer(const TXServer&) = delete;
  TXServer& operator=(const TXServer&) = delete;

  const std::string& Display() const { return m_display; }

 private:
  pid_t m_pid = -1;
  std::string m_display;
};

// ---------------------------------------------------------------------------------------------
// 3. Watching the screen
// ---------------------------------------------------------------------------------------------

struct TSeen {
  enum TKind { skMap, skDamage } Kind;
  double Time;
  Window Mapped = None;
};

// The benchmark's own connection: top-level maps and every drawing on the screen, each stamped
// with the moment it is read.
class TScreenWatch {
 public:
  explicit TScreenWatch(const std::string& name) : m_display(XOpenDisplay(name.c_str())) {
    if (!m_display) throw std::runtime_error("cannot open display " + name);
    int error = 0;
    int major = 0;
    int minor = 0;
    int request = 0;
    if (!XDamageQueryExtension(m_display, &m_damageEvent, &error)) throw std::runtime_error("no DAMAGE");
    if (!XTestQueryExtension(m_display, &request, &error, &major, &minor)) throw std::runtime_error("no XTEST");
    m_root = DefaultRootWindow(m_display);
    XSelectInput(m_display, m_root, SubstructureNotifyMask);
    XDamageCreate(m_display, m_root, XDamageReportRawRectangles);
    XSync(m_display, False);
  }
  ~TScreenWatch() { XCloseDisplay(m_display); }
  TScreenWatch(const TScreenWatch&) = delete;
  TScreenWatch& operator=(const TScreenWatch&) = delete;

  // The next map or damage, or none when the deadline passes first.
  std::optional<TSeen> Next(double deadline) {
    for (;;) {
      while (XPending(m_display)) {
        XEvent event;
        XNextEvent(m_display, &event);
        const double now = NowMs();
        if (event.type == MapNotify) return TSeen{TSeen::skMap, now, event.xmap.window};
        if (event.type == m_damageEvent + XDamageNotify) return TSeen{TSeen::skDamage, now};
      }
      const double left = deadline - NowMs();
      if (left <= 0) return std::nullopt;
      pollfd fd{ConnectionNumber(m_display), POLLIN, 0};
      poll(&fd, 1, static_cast<int>(left) + 1);
    }
  }

  // Waits until nothing is drawn for quietMs; returns the times of the first and the last damage
  // seen meanwhile (0 when none).
  std::pair<double, double> WaitQuiet(double quietMs, double limit) {
    double first = 0;
    double last = 0;
    for (double deadline = NowMs() + quietMs; NowMs() < limit;) {
      const auto seen = Next(std::min(deadline, limit));
      if (!seen) break;
      if (seen->Kind != TSeen::skDamage) continue;
      if (first == 0) first = seen->Time;
      last = seen->Time, deadline = seen->Time + quietMs;
    }
    return {first, last};
  }

  // Discards what has been seen so far and gives the keyboard focus back to the window under the
  // pointer (a program that set the focus itself may have left it on nothing when it ended).
  void Forget() {
    XSetInputFocus(m_display, PointerRoot, RevertToPointerRoot, CurrentTime);
    XSync(m_display, False);
    while (XPending(m_display)) {
      XEvent event;
      XNextEvent(m_display, &event);
    }
  }

  // Moves the pointer into the middle of a window (keys then go to it while the focus follows
  // the pointer, as it does without a window manager).
  void PointInto(Window window) {
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(m_display, window, &attributes)) return;
    XTestFakeMotionEvent(m_display, -1, attributes.x + attributes.width / 2, attributes.y + attributes.height / 2,
                         CurrentTime);
    XFlush(m_display);
  }

  void Key(KeySym symbol, bool press) {
    XTestFakeKeyEvent(m_display, XKeysymToKeycode(m_display, symbol), press, CurrentTime);
    XFlush(m_display);
  }

 private:
  Display* m_display;
  Window m_root = None;
  int m_damageEvent = 0;
};

// ---------------------------------------------------------------------------------------------
// 4. One run of a program
// ---------------------------------------------------------------------------------------------

struct TProgram {
  std::string Name;
  std::vector<std::string> Command;
  bool Cold = false;  // starts with an empty cache every run
};

// Every program keeps what it caches between runs (XDG_CACHE_HOME) in a directory of the
// benchmark's own, so that the user's caches play no part; a cold program's is emptied first.
std::vector<std::string> CacheFor(const TProgram& program) {
  const std::filesystem::path cache =
      std::filesystem::temp_directory_path() / ("startup-bench-" + std::to_string(getpid())) / program.Name;
  std::error_code error;
  if (program.Cold) std::filesystem::remove_all(cache, error);
  return {"XDG_CACHE_HOME=" + cache.string()};
}

struct TResults {
  std::vector<double> Map, First, Painted, Rss, Libraries, Keys, Idle;
  int Failures = 0;
};

// Key press to first damage after it, in ms; none when nothing is drawn in time.
std::optional<double> KeyLatency(TScreenWatch& watch, KeySym symbol) {
  const double sent = NowMs();
  watch.Key(symbol, true);
  std::optional<double> latency;
  while (const auto seen = watch.Next(sent + kKeyLimitMs)) {
    if (seen->Kind != TSeen::skDamage) continue;
    latency = seen->Time - sent;
    break;
  }
  watch.Key(symbol, false);
  watch.WaitQuiet(kKeyQuietMs, NowMs() + kKeyLimitMs);
  return latency;
}

// Starts the program, measures its start, its memory and its answers to keys, and ends it.
bool RunOnce(TScreenWatch& watch, const TProgram& program, const std::string& display, int keys, double idleSeconds,
             TResults& results) {
  watch.Forget();
  const std::vector<std::string> cache = CacheFor(program);
  const double start = NowMs();
  const pid_t pid = Spawn(program.Command, display, -1, cache);
  double map = 0;
  double first = 0;
  Window window = None;
  while (window == None) {
    const auto seen = watch.Next(start + kStartLimitMs);
    if (!seen) break;
    if (seen->Kind == TSeen::skMap) window = seen->Mapped, map = seen->Time;
    if (seen->Kind == TSeen::skDamage && first == 0) first = seen->Time;
  }
  bool ok = window != None;
  if (ok) {
    const auto [firstAfterMap, last] = watch.WaitQuiet(kQuietMs, start + kStartLimitMs);
    if (first == 0) first = firstAfterMap;
    ok = first != 0;
    if (ok) {
      const auto [rss, libraries] = MemoryOf(pid);
      results.Map.push_back(map - start);
      results.First.push_back(first - start);
      results.Painted.push_back(std::max({first, last, map}) - start);
      results.Rss.push_back(rss / 1024);
      results.Libraries.push_back(libraries);
    }
  }
  if (ok) {
    watch.PointInto(window);
    watch.WaitQuiet(kQuietMs, NowMs() + kStartLimitMs);
    for (int k = 0; k < keys; ++k) {
      const auto latency = KeyLatency(watch, XK_1 + k % 9);
      if (latency) results.Keys.push_back(*latency);
    }
    if (idleSeconds > 0) {
      const double before = CpuMsOf(pid);
      std::this_thread::sleep_for(std::chrono::duration<double>(idleSeconds));
      results.Idle.push_back((CpuMsOf(pid) - before) * 10 / idleSeconds);
    }
  }
  Stop(pid);
  return ok;
}

// ---------------------------------------------------------------------------------------------
// 5. The table
// ---------------------------------------------------------------------------------------------

struct TColumn {
  const char* Title;
  std::vector<double> TResults::*Values;
  const char* Format;
};

constexpr TColumn kColumns[] = {
    {"map ms", &TResults::Map, "%12.2f"},         {"first ms", &TResults::First, "%12.2f"},
    {"painted ms", &TResults::Painted, "%12.2f"}, {"RSS MB", &TResults::Rss, "%12.2f"},
    {"libs", &TResults::Libraries, "%12.0f"},     {"key ms", &TResults::Keys, "%12.3f"},
    {"idle ms/10s", &TResults::Idle, "%12.2f"},
};

void PrintTable(const std::vector<TProgram>& programs, std::map<std::string, TResults>& results, int runs) {
  std::printf("medians of %d runs per program, round-robin\n\n%-14s", runs, "");
  for (const TColumn& column : kColumns) std::printf("%12s", column.Title);
  std::printf("%12s\n", "failed");
  for (const TProgram& program : programs) {
    std::printf("%-14s", program.Name.c_str());
    for (const TColumn& column : kColumns) std::printf(column.Format, Median(results[program.Name].*column.Values));
    std::printf("%12d\n", results[program.Name].Failures);
  }
  for (const char* reference : {"xcalc", "xlib", "xlib-caret"}) {
    if (!results.count(reference)) continue;
    std::printf("\nratio to %s\n", reference);
    for (const TProgram& program : programs) {
      std::printf("%-14s", program.Name.c_str());
      for (const TColumn& column : kColumns) {
        const double base = Median(results[reference].*column.Values);
        const double value = Median(results[program.Name].*column.Values);
        if (base > 0) {
          std::printf("%12.2f", value / base);
        } else {
          std::printf("%12s", "-");
        }
      }
      std::printf("\n");
    }
  }
}

std::vector<TProgram> DefaultPrograms() {
  return {{"orvanta", {ORVANTA_PROGRAM}},
          {"orvanta-cold", {ORVANTA_PROGRAM}, true},
          {"xcalc", {"xcalc"}},
          {"xlib", {BARE_XLIB_WINDOW}},
          {"xlib-caret", {BARE_XLIB_WINDOW, "--caret"}}};
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 15;
  int keys = 5;
  double idleSeconds = 2;
  std::vector<TProgram> programs;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--keys" && i + 1 < argc) {
      keys = std::max(0, std::atoi(argv[++i]));
    } else if (arg == "--idle" && i + 1 < argc) {
      idleSeconds = std::max(0.0, std::atof(argv[++i]));
    } else if (const size_t eq = arg.find('='); eq != std::string::npos && eq > 0) {
      programs.push_back({arg.substr(0, eq), SplitWords(arg.substr(eq + 1))});
    } else {
      std::fprintf(stderr, "usage: %s [--runs N] [--keys K] [--idle SECONDS] [NAME=COMMAND ...]\n", argv[0]);
      return 2;
    }
  }
  if (programs.empty()) programs = DefaultPrograms();
  try {
    TXServer server;
    TScreenWatch watch(server.Display());
    std::map<std::string, TResults> results;
    for (int run = 0; run < runs; ++run) {
      for (const TProgram& program : programs) {
        if (!RunOnce(watch, program, server.Display(), keys, idleSeconds, results[program.Name])) {
          ++results[program.Name].Failures;
        }
      }
    }
    PrintTable(programs, results, runs);
    std::error_code error;
    std::filesystem::remove_all(std::filesystem::temp_directory_path() / ("startup-bench-" + std::to_string(getpid())),
                                error);
    for (const auto& [name, result] : results) {
      if (result.Failures > 0) return 3;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "startup-bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
