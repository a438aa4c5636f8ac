// Benchmarks of the program on the headless backend: a full repaint of the main window and
// start-up to the first presented frame, each beside a reference measured in the same run
// (filling the window's pixel buffer once; starting a process that does nothing), with the
// ratios printed last. Targets: a full repaint under 1 ms, process start to the first frame
// under 50 ms.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "app/Entry.h"
#include "app/Unit1.h"
#include "framework/Forms.h"
#include "platform/headless/HeadlessPlatform.h"

extern char** environ;

namespace {

// Runs the program until its first frame is presented, then ends it.
void StartToFirstFrame() {
  platform::THeadlessPlatform desktop;
  platform::SetPlatform(&desktop);
  // The first time the program waits for input its first frame has been presented.
  desktop.OnIdle = [] {
    if (Application) Application->Terminate();
    return false;
  };
  RunOrvanta({}, "orvanta");
  platform::SetPlatform(nullptr);
}

void BM_StartToFirstFrame(benchmark::State& state) {
  StartToFirstFrame();  // fonts and glyphs cached
  for (auto _ : state) StartToFirstFrame();
}
BENCHMARK(BM_StartToFirstFrame)->Unit(benchmark::kMillisecond);

// A whole program's life as a process: start, first frame, end.
void RunProcess(const char* path, char* const argv[]) {
  pid_t pid = 0;
  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  const int rc = posix_spawn(&pid, path, &quiet, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&quiet);
  if (rc != 0) return;
  int status = 0;
  waitpid(pid, &status, 0);
}

void BM_ProcessStartToFirstFrame(benchmark::State& state) {
  // The script's first query needs the painted window; the driver then stops.
  const char* script = "/tmp/orvanta-bench-start.script";
  if (FILE* f = std::fopen(script, "w")) {
    std::fputs("pixel 0 0\n", f);
    std::fclose(f);
  }
  char* argv[] = {const_cast<char*>(ORVANTA_SCRIPT), const_cast<char*>(script), nullptr};
  for (auto _ : state) RunProcess(ORVANTA_SCRIPT, argv);
}
BENCHMARK(BM_ProcessStartToFirstFrame)->Unit(benchmark::kMillisecond);

void BM_ReferenceProcess(benchmark::State& state) {
  char* argv[] = {const_cast<char*>("/bin/true"), nullptr};
  for (auto _ : state) RunProcess("/bin/true", argv);
}
BENCHMARK(BM_ReferenceProcess)->Unit(benchmark::kMillisecond);

// A running main window for the repaint benchmarks.
struct TRunningWindow {
  platform::THeadlessPlatform desktop;
  std::unique_ptr<TApplication> app;
  TScreen screen;
  TForm1* form = nullptr;
  TRunningWindow() {
    platform::SetPlatform(&desktop);
    app = std::make_unique<TApplication>();
    Application = app.get();
    Screen = &screen;
    form = app->CreateForm<TForm1>();
    form->Show();
    app->ProcessMessages();
  }
  ~TRunningWindow() {
    app.reset();
    Application = nullptr;
    Screen = nullptr;
    platform::SetPlatform(nullptr);
  }
};

void BM_FullRepaint(benchmark::State& state) {
  TRunningWindow w;
  for (auto _ : state) w.form->PaintAll();
}
BENCHMARK(BM_FullRepaint)->Unit(benchmark::kMicrosecond);

void BM_ReferenceFill(benchmark::State& state) {
  TSurface s(540, 247);
  std::uint32_t v = 0;
  for (auto _ : state) {
    std::fill(s.Pixels.begin(), s.Pixels.end(), ++v);
    benchmark::DoNotOptimize(s.Pixels.data());
  }
}
BENCHMARK(BM_ReferenceFill)->Unit(benchmark::kMicrosecond);

// Prints the usual table, then each measurement as a ratio to its same-run reference.
class TRatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) m_seconds[r.benchmark_name()] = r.GetAdjustedRealTime();
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    Ratio("full_repaint_vs_fill", "BM_FullRepaint", "BM_ReferenceFill");
    Ratio("process_start_vs_empty_process", "BM_ProcessStartToFirstFrame", "BM_ReferenceProcess");
  }

 private:
  void Ratio(const char* label, const std::string& measured, const std::string& reference) {
    if (!m_seconds.count(measured) || !m_seconds.count(reference) || m_seconds[reference] <= 0) return;
    std::printf("%s: %.2f\n", label, m_seconds[measured] / m_seconds[reference]);
  }
  std::map<std::string, double> m_seconds;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  TRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
