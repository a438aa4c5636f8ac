// orvanta-soak DRIVER SEED STEPS: drives the program through the headless driver with a long
// random sequence of input (reproducible from SEED) and checks after every step that the
// program still answers, that the style input and the model agree, that the count, seam and
// length labels show what the model holds, and that the width labels show the model's width
// whenever the slab count is not 0. Prints the failing step and the input so far.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/DivisionModel.h"
#include "framework/Runtime.h"

namespace {

class TDriverProcess {
 public:
  explicit TDriverProcess(const char* path) {
    int toChild[2], fromChild[2];
    if (pipe(toChild) != 0 || pipe(fromChild) != 0) std::exit(2);
    m_pid = fork();
    if (m_pid == 0) {
      dup2(toChild[0], 0);
      dup2(fromChild[1], 1);
      close(toChild[1]);
      close(fromChild[0]);
      execl(path, path, static_cast<char*>(nullptr));
      _exit(127);
    }
    close(toChild[0]);
    close(fromChild[1]);
    m_in = fdopen(toChild[1], "w");
    m_out = fdopen(fromChild[0], "r");
  }
  ~TDriverProcess() {
    if (m_in) std::fclose(m_in);
    if (m_out) std::fclose(m_out);
    int status = 0;
    if (m_pid > 0) waitpid(m_pid, &status, 0);
  }
  void Send(const std::string& line) {
    std::fprintf(m_in, "%s\n", line.c_str());
    std::fflush(m_in);
  }
  // The next line of output; false when the driver has gone.
  bool Read(std::string& line) {
    char buf[4096];
    if (!std::fgets(buf, sizeof buf, m_out)) return false;
    line = buf;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    return true;
  }

 private:
  pid_t m_pid = -1;
  FILE* m_in = nullptr;
  FILE* m_out = nullptr;
};

class TSoak {
 public:
  TSoak(const char* driver, unsigned seed) : m_driver(driver), m_random(seed) {}

  bool Run(int steps) {
    for (int step = 0; step < steps; ++step) {
      const std::string input = NextInput();
      m_log.push_back(input);
      Send(input);
      if (!Check()) {
        std::fprintf(stderr, "soak: failed after step %d: %s\n", step, m_problem.c_str());
        const size_t from = m_log.size() > 40 ? m_log.size() - 40 : 0;
        for (size_t i = from; i < m_log.size(); ++i) std::fprintf(stderr, "  %zu: %s\n", i, m_log[i].c_str());
        return false;
      }
    }
    std::printf("soak: %d steps, %d boxes, %d restarts\n", steps, m_boxes, m_restarts);
    return true;
  }

 private:
  void Send(const std::string& line) { m_driver.Send(line); }

  // Sends a query and returns its answer, handling the event lines that come before it.
  bool Query(const std::string& q, std::string& answer) {
    Send(q);
    for (;;) {
      if (!m_driver.Read(answer)) {
        m_problem = "the driver ended (crash?) at query " + q;
        return false;
      }
      if (answer.rfind("! msgbox ", 0) == 0) {
        m_boxOpen = true;
        ++m_boxes;
        continue;
      }
      if (answer.rfind("! exit", 0) == 0) {
        m_ended = true;
        continue;
      }
      if (answer.rfind("! beep", 0) == 0 || answer.rfind("! open ", 0) == 0) continue;
      return true;
    }
  }

  std::string Pick(const std::vector<std::string>& v) { return v[m_random() % v.size()]; }
  int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_random); }

  std::string NextInput() {
    if (m_ended) {
      m_ended = false;
      m_boxOpen = false;
      ++m_restarts;
      return "start";
    }
    if (m_boxOpen && Int(0, 3) > 0) {
      m_boxOpen = false;
      return "ok";
    }
    static const std::vector<std::string> kKeys = {"Tab",    "Shift+Tab", "Backspace", "Delete", "Left",   "Right",
                                                   "Home",   "End",       "Up",        "Down",   "Enter",  "Shift+Left",
                                                   "Ctrl+A", "Ctrl+C",    "Ctrl+V",    "Ctrl+X", "Ctrl+Z", "Space"};
    // Points of the window: the five inputs, their arrows, the diagram, the buttons, labels.
    static const std::vector<std::string> kClicks = {
        "click 100 223", "click 215 223", "click 249 215", "click 249 231", "click 330 223",      "click 351 215",
        "click 351 231", "click 420 223", "click 438 215", "click 438 231", "click 505 223",      "click 525 215",
        "click 525 231", "click 245 93",  "click 100 60",  "click 511 65",  "click 512 116",      "click 360 60",
        "click 180 140", "click 240 175", "click 18 18",   "click 20 300",  "click 100 223 right"};
    switch (Int(0, 11)) {
      case 0:
      case 1:
      case 2: {
        static const std::vector<std::string> kTexts = {"0",   "1", "5",    "9",    "20",   "25",
                                                        "-",   "+", "3000", "2500", "1440", "12",
                                                        "007", "a", ".",    " ",    "6",    "99999999999"};
        return "type " + Pick(kTexts);
      }
      case 3:
      case 4: return "key " + Pick(kKeys);
      case 5:
      case 6:
      case 7: return Pick(kClicks);
      case 8: return "wait " + std::to_string(Int(0, 4) * 150);
      case 9: {
        // A drag of the title bar, or a held arrow.
        if (Int(0, 1))
          return "move 200 15\ndown\nmove " + std::to_string(Int(150, 260)) + " " + std::to_string(Int(0, 30)) + "\nup";
        return "move 249 215\ndown\nwait " + std::to_string(Int(100, 1200)) + "\nup";
      }
      case 10: return Int(0, 1) ? "activate" : (Int(0, 5) ? "activate" : "deactivate");
      default: return Int(0, 40) == 0 ? "key Esc" : "clip set " + Pick({"123", "4a5", "-7", "x"});
    }
  }

  bool Check() {
    std::string model, s1, kuail, fengl, feng1l, zongchangl, width1, width2;
    if (!Query("get model", model)) return false;
    if (model.rfind("! error", 0) == 0) return m_ended || Fail("model unreadable: " + model);
    std::istringstream in(model);
    std::int32_t z, k, n, w, y;
    if (!(in >> z >> k >> n >> w >> y)) return Fail("bad model line: " + model);
    if (!Query("get se1.Text", s1) || !Query("get kuail.Caption", kuail) || !Query("get fengl.Caption", fengl) ||
        !Query("get feng1l.Caption", feng1l) || !Query("get zongchangl.Caption", zongchangl) ||
        !Query("get lishiKuanl.Caption", width1) || !Query("get lishikuan1l.Caption", width2))
      return false;
    if (m_ended) return true;
    std::int32_t styleShown = 0;
    if (!TryStrToInt(s1, styleShown) || styleShown != y)
      return Fail("style input '" + s1 + "' vs yangshi " + std::to_string(y));
    if (y < 1 || y > 5) return Fail("yangshi out of range");
    if (kuail != std::to_string(k)) return Fail("kuail " + kuail + " vs kuai " + std::to_string(k));
    if (fengl != std::to_string(n) || feng1l != fengl)
      return Fail("seam labels " + fengl + "/" + feng1l + " vs " + std::to_string(n));
    if (zongchangl != std::to_string(z)) return Fail("length label " + zongchangl + " vs " + std::to_string(z));
    if (width1 != width2) return Fail("width labels differ: " + width1 + " / " + width2);
    if (k != 0) {
      const std::string expected = SlabWidthText(z, k, n, w, y, '.');
      if (width1 != expected) return Fail("width " + width1 + " vs model's " + expected + " for " + model);
    }
    return true;
  }

  bool Fail(const std::string& what) {
    m_problem = what;
    return false;
  }

  TDriverProcess m_driver;
  std::mt19937 m_random;
  std::vector<std::string> m_log;
  std::string m_problem;
  bool m_boxOpen = false;
  bool m_ended = false;
  int m_boxes = 0;
  int m_restarts = 0;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: orvanta-soak DRIVER SEED STEPS\n");
    return 2;
  }
  TSoak soak(argv[1], static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)));
  return soak.Run(std::atoi(argv[3])) ? 0 : 1;
}
