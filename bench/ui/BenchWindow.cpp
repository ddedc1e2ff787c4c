// Whole runs through the window against korvane-batch on the same trees, in
// the same process run, on Qt's offscreen platform.
//
//   rename: a numbering rename of FILES empty files in one folder
//   list:   a list run over FILES files in FILES/100 folders
//
// Each round runs korvane-batch (a child process, output to /dev/null) and
// the window, in turns first, on fresh copies of the same tree; the best
// round counts.
// While the window runs, a second thread hands it a key press every 20 ms,
// one at a time, as the window system's reader thread hands over input, and
// records how long each waited until the window took it.  A last rename is
// stopped with Esc half-way to see how many targets follow it.  The log box's
// memory is what the heap gives back when the box is cleared after a rename,
// against the text it held.
//
// Usage: bench_window [KORVANE_BATCH]   Environment: FILES (default 100000),
// ROUNDS (default 3), TMPDIR (default /tmp).

#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QToolButton>
#include <QApplication>
#include <QKeyEvent>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "run/RunDriver.h"
#include "ui/UnitMain.h"
#include "ui/session/TKorvaneApplication.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double CpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Bytes the heap has handed out (small blocks and mapped ones).
double HeapBytes() {
  const struct mallinfo2 info = mallinfo2();
  return static_cast<double>(info.uordblks + info.hblkhd);
}

int EnvInt(const char *name, int fallback) {
  const char *value = std::getenv(name);
  return value != nullptr && *value != '\0' ? std::atoi(value) : fallback;
}

void Touch(const fs::path &path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) {
    std::perror(path.c_str());
    std::exit(2);
  }
  ::close(fd);
}

// f0000001.dat ... in one folder, as bench_batch.sh makes them.
void MakeFlat(const fs::path &folder, int files) {
  fs::create_directories(folder);
  char name[32];
  for (int i = 1; i <= files; ++i) {
    std::snprintf(name, sizeof name, "f%07d.dat", i);
    Touch(folder / name);
  }
}

// files/100 folders of 100 files.
void MakeTree(const fs::path &folder, int files) {
  char name[32];
  for (int d = 1; d <= files / 100; ++d) {
    std::snprintf(name, sizeof name, "d%05d", d);
    const fs::path sub = folder / name;
    fs::create_directories(sub);
    for (int f = 1; f <= 100; ++f) {
      std::snprintf(name, sizeof name, "f%03d.dat", f);
      Touch(sub / name);
    }
  }
}

struct TTimes {
  double Wall = 0;
  double Cpu = 0;
  long MaxRssKb = 0;
};

// korvane-batch with these arguments and its output to /dev/null; exits on
// failure.
TTimes RunBatchWith(const std::string &batch, std::vector<std::string> arguments) {
  const Clock::time_point start = Clock::now();
  arguments.insert(arguments.begin(), batch);
  const pid_t pid = ::fork();
  if (pid == 0) {
    // Its output and its closing summary; its exit status tells success.
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, STDOUT_FILENO);
    ::dup2(null, STDERR_FILENO);
    std::vector<char *> argv;
    for (std::string &argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    ::execv(batch.c_str(), argv.data());
    std::_Exit(127);
  }

  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  TTimes t;
  t.Wall = Seconds(Clock::now() - start);
  t.Cpu = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
          (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  t.MaxRssKb = usage.ru_maxrss;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s %s failed (status %d)\n", batch.c_str(), arguments.back().c_str(), status);
    std::exit(2);
  }
  return t;
}

TTimes RunBatch(const std::string &batch, const fs::path &job, const fs::path &folder,
                const char *mode, const fs::path &log = {}) {
  std::vector<std::string> arguments = {"--settings", job.string(), "--folder", folder.string()};
  if (!log.empty()) arguments.insert(arguments.end(), {"--log", log.string()});
  arguments.push_back(mode);
  return RunBatchWith(batch, arguments);
}

// Hands the window a key press every 20 ms from another thread, one at a
// time, and records how long each one waited until the window took it.  An
// Esc can be sent once, after a delay.
class TInputProbe : public QObject {
public:
  explicit TInputProbe(QWidget &window) : window_(window) {
    qApp->installEventFilter(this);
    // A key event needs a keyboard device; made here, the first one would be
    // made on the probe's thread with the application as its parent.
    QKeyEvent(QEvent::KeyPress, Qt::Key_F24, Qt::NoModifier);
  }
  ~TInputProbe() override { Stop(); }

  void Start(Clock::duration escapeAfter = Clock::duration::zero()) {
    latencies_.clear();
    slowest_ = slowestAt_ = 0;
    start_ = Clock::now();
    running_ = true;
    escapeAfter_ = escapeAfter;
    thread_ = std::thread([this] { Loop(); });
  }
  void Stop() {
    running_ = false;
    if (thread_.joinable()) thread_.join();
    // The last probe may still be queued.
    QCoreApplication::processEvents();
  }

  double MaxLatency() const { return slowest_; }
  // When the slowest key press was handed over, after Start().
  double SlowestAt() const { return slowestAt_; }
  std::size_t Probes() const { return latencies_.size(); }
  // What the filter saw when the Esc arrived.
  bool EscapeSeen() const { return escapeSeen_; }
  std::size_t RecordsAtEscape() const { return recordsAtEscape_; }
  Clock::time_point EscapeTime() const { return escapeTime_; }
  void SetDriver(const TRunDriver &driver) { driver_ = &driver; }

protected:
  bool eventFilter(QObject *, QEvent *event) override {
    if (event->type() != QEvent::KeyPress) return false;
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key == Qt::Key_F24 && !delivered_) {
      const Clock::time_point posted = postedAt_.load();
      latencies_.push_back(Seconds(Clock::now() - posted));
      if (latencies_.back() > slowest_) {
        slowest_ = latencies_.back();
        slowestAt_ = Seconds(posted - start_);
      }
      delivered_ = true;
    } else if (key == Qt::Key_Escape && !escapeSeen_) {
      escapeSeen_ = true;
      escapeTime_ = Clock::now();
      if (driver_ != nullptr) recordsAtEscape_ = driver_->Stats().Records;
    }
    return false;
  }

private:
  void Loop() {
    const Clock::time_point start = Clock::now();
    bool escapeSent = false;
    while (running_) {
      if (escapeAfter_ != Clock::duration::zero() && !escapeSent &&
          Clock::now() - start >= escapeAfter_) {
        escapeSent = true;
        QCoreApplication::postEvent(&window_, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape,
                                                            Qt::NoModifier));
      }
      postedAt_ = Clock::now();
      delivered_ = false;
      QCoreApplication::postEvent(&window_,
                                  new QKeyEvent(QEvent::KeyPress, Qt::Key_F24, Qt::NoModifier));
      while (running_ && !delivered_) std::this_thread::sleep_for(std::chrono::microseconds(200));
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }

  QWidget &window_;
  std::thread thread_;
  std::atomic<bool> running_{false};
  std::atomic<bool> delivered_{true};
  std::atomic<Clock::time_point> postedAt_{};
  Clock::duration escapeAfter_{};
  std::vector<double> latencies_;
  Clock::time_point start_{};
  double slowest_ = 0;
  double slowestAt_ = 0;
  const TRunDriver *driver_ = nullptr;
  bool escapeSeen_ = false;
  std::size_t recordsAtEscape_ = 0;
  Clock::time_point escapeTime_{};
};

struct TWindowRun {
  TTimes Times;
  double MaxLatency = 0;
  double SlowestAt = 0;
  std::size_t Probes = 0;
  TRunStats Stats;
  TRunOutcome Outcome = TRunOutcome::Finished;
};

// A window started on the job file (carried over), aimed at `folder`.
std::unique_ptr<TBunselMain> NewWindow(const fs::path &job, const fs::path &folder) {
  auto window = std::make_unique<TBunselMain>(TStartOptions{.SettingsFile = job.string(), .Arguments = {}});
  window->show();
  window->SetTargetFolder(folder.string());
  window->SetTargetFilter("*.*");
  QCoreApplication::processEvents();
  return window;
}

// One click on `button`, timed until the window has shown the end.
TWindowRun RunWindow(TBunselMain &window, QToolButton *button, TInputProbe &probe,
                     Clock::duration escapeAfter = Clock::duration::zero()) {
  TWindowRun run;
  const double cpu = CpuSeconds(RUSAGE_SELF);
  const Clock::time_point start = Clock::now();
  probe.Start(escapeAfter);
  button->click();
  QCoreApplication::processEvents();
  run.Times.Wall = Seconds(Clock::now() - start);
  run.Times.Cpu = CpuSeconds(RUSAGE_SELF) - cpu;
  probe.Stop();
  run.MaxLatency = probe.MaxLatency();
  run.SlowestAt = probe.SlowestAt();
  run.Probes = probe.Probes();
  run.Stats = window.RunDriver().Stats();
  return run;
}

void Best(TTimes &best, const TTimes &t) {
  if (best.Wall == 0 || t.Wall < best.Wall) best = t;
}

}  // namespace

int main(int argc, char *argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  TKorvaneApplication application(argc, argv);
  std::string batch = argc > 1 ? argv[1] : KORVANE_BATCH_PATH;
  const int files = EnvInt("FILES", 100000);
  const int rounds = EnvInt("ROUNDS", 3);
  // Errors would open message boxes; say them and stop.
  application.SetErrorBox([](const QString &, const QString &text) {
    std::fprintf(stderr, "error: %s\n", text.toStdString().c_str());
    std::exit(2);
  });

  const char *tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp != nullptr && *tmp ? tmp : "/tmp") + "/korvane-bench-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) {
    std::perror("mkdtemp");
    return 2;
  }
  const fs::path work = pattern;
  struct TCleanup {
    fs::path Path;
    ~TCleanup() { fs::remove_all(Path); }
  } cleanup{work};

  // The job of bench_batch.sh: the numbering step first and checked, renamed
  // in place; subfolders for the list.  The step caption is Shift-JIS.
  const std::string jobText =
      "[FindFile]\r\nSubFolder=1\r\n[Rename]\r\nCopy=0\r\nOrderItems0=\x98\x41\x94\xd4\r\n"
      "OrderChecked0=1\r\nOrderItems1=x\r\n";
  const fs::path batchJob = work / "job.ini";
  const fs::path windowJob = work / "window.ini";
  std::ofstream(batchJob, std::ios::binary) << jobText;
  std::ofstream(windowJob, std::ios::binary) << "[Settings]\r\nSuccess=1\r\n" << jobText;

  TTimes batchRename, windowRename, batchList, windowList;
  double maxLatency = 0;
  std::string slowestWhere;
  std::size_t probes = 0;
  auto noteLatency = [&](const TWindowRun &run, const char *job) {
    probes += run.Probes;
    if (run.MaxLatency <= maxLatency) return;
    maxLatency = run.MaxLatency;
    char where[96];
    std::snprintf(where, sizeof where, "%s, %.0f ms into a run of %.0f ms", job,
                  run.SlowestAt * 1e3, run.Times.Wall * 1e3);
    slowestWhere = where;
  };
  double boxBytes = 0, textBytes = 0;
  std::size_t boxLines = 0;

  for (int round = 1; round <= rounds; ++round) {
    const fs::path k = work / "k", w = work / "w";
    fs::remove_all(k);
    fs::remove_all(w);
    MakeFlat(k, files);
    MakeFlat(w, files);
    ::sync();
    // Every other round the window goes first, so neither side always
    // meets the file system in the state the other left it in.
    const bool batchFirst = round % 2 == 1;
    if (batchFirst) Best(batchRename, RunBatch(batch, batchJob, k, "rename"));

    std::unique_ptr<TBunselMain> window = NewWindow(windowJob, w);
    TInputProbe probe(*window);
    TWindowRun run = RunWindow(*window, window->Controls().SpeedButtonRename, probe);
    if (!batchFirst) Best(batchRename, RunBatch(batch, batchJob, k, "rename"));
    const double heapAfter = HeapBytes();
    if (run.Stats.Records != static_cast<std::size_t>(files) || run.Stats.FailedRecords != 0) {
      std::fprintf(stderr, "window rename: %zu records, %zu failed\n", run.Stats.Records,
                   run.Stats.FailedRecords);
      return 2;
    }
    Best(windowRename, run.Times);
    noteLatency(run, "rename");

    std::vector<std::string> lines = window->GetLogLines();
    boxLines = lines.size();
    textBytes = 0;
    for (const std::string &line : lines) textBytes += static_cast<double>(line.size() + 1);
    lines = {};
    window->Controls().SpeedButtonClear->click();
    QCoreApplication::processEvents();
    boxBytes = std::max(0.0, heapAfter - HeapBytes());
    window.reset();
    fs::remove_all(k);
    fs::remove_all(w);
  }

  const fs::path tree = work / "tree";
  MakeTree(tree, files);
  ::sync();
  {
    std::unique_ptr<TBunselMain> window = NewWindow(windowJob, tree);
    TInputProbe probe(*window);
    for (int round = 1; round <= rounds; ++round) {
      if (round % 2 == 1) Best(batchList, RunBatch(batch, batchJob, tree, "list"));
      TWindowRun run = RunWindow(*window, window->Controls().SpeedButtonList, probe);
      if (round % 2 == 0) Best(batchList, RunBatch(batch, batchJob, tree, "list"));
      if (run.Stats.Listed != static_cast<std::size_t>(files / 100 * 100)) {
        std::fprintf(stderr, "window list: %zu lines\n", run.Stats.Listed);
        return 2;
      }
      Best(windowList, run.Times);
      noteLatency(run, "list");
    }
  }

  // Esc half-way through a rename: how many targets follow it.
  std::size_t afterEscape = 0, recordsAtEnd = 0;
  double stopSeconds = 0;
  bool aborted = false;
  {
    const fs::path e = work / "e";
    MakeFlat(e, files);
    ::sync();
    std::unique_ptr<TBunselMain> window = NewWindow(windowJob, e);
    TInputProbe probe(*window);
    probe.SetDriver(window->RunDriver());
    const auto half = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(windowRename.Wall / 2));
    probe.Start(half);
    window->Controls().SpeedButtonRename->click();
    const Clock::time_point end = Clock::now();
    probe.Stop();
    recordsAtEnd = window->RunDriver().Stats().Records;
    const std::vector<std::string> lines = window->GetLogLines();
    aborted = probe.EscapeSeen() && !lines.empty() && lines.back() == "\x92\x86\x92\x66";
    afterEscape = recordsAtEnd - probe.RecordsAtEscape();
    stopSeconds = probe.EscapeSeen() ? Seconds(end - probe.EscapeTime()) : 0;
  }

  // Taking a rename back: the window's 元に戻す against korvane-batch's undo
  // of the same run's log.
  TTimes batchUndo, windowUndo;
  for (int round = 1; round <= rounds; ++round) {
    const fs::path k = work / "uk", w = work / "uw";
    fs::remove_all(k);
    fs::remove_all(w);
    MakeFlat(k, files);
    MakeFlat(w, files);
    RunBatch(batch, batchJob, k, "rename", work / "rename.log");
    std::unique_ptr<TBunselMain> window = NewWindow(windowJob, w);
    window->UndoPreview = false;
    TInputProbe probe(*window);
    RunWindow(*window, window->Controls().SpeedButtonRename, probe);
    ::sync();
    const bool batchFirst = round % 2 == 1;
    if (batchFirst) Best(batchUndo, RunBatchWith(batch, {"undo", (work / "rename.log").string()}));
    TWindowRun run = RunWindow(*window, window->Controls().SpeedButtonUndo, probe);
    if (!batchFirst) Best(batchUndo, RunBatchWith(batch, {"undo", (work / "rename.log").string()}));
    if (run.Stats.Records != static_cast<std::size_t>(files) || run.Stats.FailedRecords != 0) {
      std::fprintf(stderr, "window undo: %zu records, %zu failed\n", run.Stats.Records, run.Stats.FailedRecords);
      return 2;
    }
    Best(windowUndo, run.Times);
    noteLatency(run, "undo");
    window.reset();
    fs::remove_all(k);
    fs::remove_all(w);
  }

  const int folders = files / 100;
  std::printf("%-34s %12s %12s %7s %s\n", "job", "korvane-batch", "window", "ratio", "goal");
  std::printf("%-34s %10.3f s %10.3f s %7.2f 1.30\n",
              (std::to_string(files) + " files: rename, wall").c_str(), batchRename.Wall,
              windowRename.Wall, windowRename.Wall / batchRename.Wall);
  std::printf("%-34s %10.3f s %10.3f s %7.2f\n", "  rename, CPU", batchRename.Cpu,
              windowRename.Cpu, windowRename.Cpu / batchRename.Cpu);
  std::printf("%-34s %10.3f s %10.3f s %7.2f 1.30\n",
              (std::to_string(files) + " files in " + std::to_string(folders) +
               " folders: list, wall").c_str(),
              batchList.Wall, windowList.Wall, windowList.Wall / batchList.Wall);
  std::printf("%-34s %10.3f s %10.3f s %7.2f\n", "  list, CPU", batchList.Cpu, windowList.Cpu,
              windowList.Cpu / batchList.Cpu);
  std::printf("%-34s %10.3f s %10.3f s %7.2f 1.30\n",
              (std::to_string(files) + " files: undo of the rename").c_str(), batchUndo.Wall,
              windowUndo.Wall, windowUndo.Wall / batchUndo.Wall);
  std::printf("%-34s %10.1f MB\n", "korvane-batch peak memory (rename)",
              batchRename.MaxRssKb / 1024.0);
  std::printf("log box after the rename: %zu lines, %.1f MB of text (CP932), %.1f MB held, %.2fx\n",
              boxLines, textBytes / 1e6, boxBytes / 1e6, textBytes > 0 ? boxBytes / textBytes : 0);
  std::printf("input answered within %.1f ms at the slowest of %zu key presses (goal 100 ms): %s\n",
              maxLatency * 1e3, probes, slowestWhere.c_str());
  std::printf("Esc half-way: %s, %zu targets after the Esc arrived (goal 0 or 1), run over %.1f ms "
              "later\n",
              aborted ? "log ends with the abort line" : "NOT ABORTED", afterEscape,
              stopSeconds * 1e3);
  return 0;
}
