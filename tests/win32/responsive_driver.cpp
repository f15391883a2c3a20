// Backs up a large installation through tarvio-backup.exe's window and restores it, while a second
// thread sends the main window a WM_NULL every 50 ms and reads its progress bar: every message must
// be answered within a second (Windows takes a window that has not answered for five seconds for
// hung), and the progress bar must be seen moving through each long step. The installation is laid
// out by responsive.sh. Usage: responsive_driver APP.exe SHOT-REQUEST-FOLDER
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "gui_driver_kit.h"
#include "ui/win32/control_ids.h"

using namespace guitest;
namespace ids = tarvio::win32ui::ids;
using tarvio::win32ui::mainWindowClass;

namespace {

constexpr int windowTimeoutMs = 30000;
// Only there so that a hung run ends the test.
constexpr int runTimeoutMs = 400000;
constexpr int pingIntervalMs = 50;
constexpr double answerLimitMs = 1000;

std::wstring appExe;
std::wstring shots;

// One long step as the progress bar showed it: from its appearance (or a fall of its position) to
// its disappearance.
struct Step {
  std::wstring lastLogLine;  // the status log's last line when the step began
  std::vector<int> positions;  // every position seen, in order, each once
  bool moved() const {
    return positions.size() >= 3 &&
           std::any_of(positions.begin(), positions.end(), [](int p) { return p > 0 && p < 1000; });
  }
};

struct Phase {
  std::string name;
  int pings = 0;
  int unanswered = 0;
  double worstMs = 0;
  std::vector<Step> steps;
};

// Sends WM_NULL to the main window every 50 ms on a thread of its own, timing each answer, and reads
// the progress bar each time.
class Pinger {
 public:
  explicit Pinger(HWND main) : main_(main), bar_(GetDlgItem(main, ids::progressBar)), log_(GetDlgItem(main, ids::statusLog)) {
    thread_ = std::thread([this] { run(); });
  }
  ~Pinger() { stop(); }
  Pinger(const Pinger&) = delete;
  Pinger& operator=(const Pinger&) = delete;

  void beginPhase(const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    phases_.push_back(Phase{name, 0, 0, 0, {}});
    inStep_ = false;
  }
  void stop() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
  }
  std::vector<Phase> phases() {
    std::lock_guard<std::mutex> lock(mutex_);
    return phases_;
  }
  // The position of the step in progress, -1 when none; and its log line.
  int currentPosition(std::wstring* line) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!inStep_ || phases_.empty() || phases_.back().steps.empty()) return -1;
    if (line) *line = phases_.back().steps.back().lastLogLine;
    return phases_.back().steps.back().positions.back();
  }

 private:
  void run() {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    while (!stopping_) {
      DWORD_PTR result = 0;
      QueryPerformanceCounter(&start);
      LRESULT answered = SendMessageTimeoutW(main_, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
      QueryPerformanceCounter(&end);
      double ms = static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
      DWORD_PTR position = 0;
      bool visible = IsWindowVisible(bar_) && SendMessageTimeoutW(bar_, PBM_GETPOS, 0, 0, SMTO_NORMAL, 10000, &position);
      std::wstring line;
      if (visible) {
        auto lines = listLines(log_);
        if (!lines.empty()) line = lines.back();
      }
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!phases_.empty()) {
          Phase& phase = phases_.back();
          ++phase.pings;
          if (!answered) ++phase.unanswered;
          phase.worstMs = std::max(phase.worstMs, ms);
          int p = static_cast<int>(position);
          if (!visible) {
            inStep_ = false;
          } else if (!inStep_ || p < phase.steps.back().positions.back()) {
            phase.steps.push_back(Step{line, {p}});
            inStep_ = true;
          } else if (p != phase.steps.back().positions.back()) {
            phase.steps.back().positions.push_back(p);
          }
        }
      }
      Sleep(pingIntervalMs);
    }
  }

  HWND main_;
  HWND bar_;
  HWND log_;
  std::thread thread_;
  std::mutex mutex_;
  std::vector<Phase> phases_;
  bool inStep_ = false;
  std::atomic<bool> stopping_{false};
};

std::string describe(const Phase& phase) {
  char head[160];
  std::snprintf(head, sizeof head, "%s: %d answers to WM_NULL, %d unanswered, the slowest in %.1f ms; %zu long step(s)",
                phase.name.c_str(), phase.pings, phase.unanswered, phase.worstMs, phase.steps.size());
  std::string out = head;
  for (const auto& step : phase.steps) {
    out += "\n#   after [" + narrow(step.lastLogLine) + "]: " + std::to_string(step.positions.size()) + " positions:";
    for (int p : step.positions) out += " " + std::to_string(p);
  }
  return out;
}

void checkPhase(const Phase& phase, size_t expectedSteps) {
  std::printf("# %s\n", describe(phase).c_str());
  check(phase.pings > 0 && phase.unanswered == 0, phase.name + ": the main window answered every WM_NULL");
  check(phase.worstMs < answerLimitMs, phase.name + ": every answer came within 1 s");
  check(phase.steps.size() == expectedSteps,
        phase.name + ": the progress bar showed " + std::to_string(expectedSteps) + " long steps");
  for (size_t i = 0; i < phase.steps.size(); ++i) {
    check(phase.steps[i].moved(), phase.name + ": the progress bar moved through step " + std::to_string(i + 1));
  }
}

bool waitForLastLine(HWND log, const std::wstring& line, int timeoutMs) {
  for (int waited = 0; waited < timeoutMs; waited += 50) {
    auto lines = listLines(log);
    if (!lines.empty() && lines.back() == line) return true;
    Sleep(50);
  }
  return false;
}

// A screenshot the first time the step in progress after `line` is between 20 % and 80 %.
void shootMidStep(Pinger& pinger, const std::wstring& line, bool& taken, const std::wstring& name, HWND main) {
  if (taken) return;
  std::wstring stepLine;
  int position = pinger.currentPosition(&stepLine);
  if (position < 200 || position > 800 || stepLine != line) return;
  shoot(shots, name, {main});
  taken = true;
  std::printf("# screenshot %s at position %d\n", narrow(name).c_str(), position);
}

void run() {
  App app = startApp(appExe, L"", installRoot);
  if (!check(app.process.hProcess != nullptr, "the program starts")) return;
  const DWORD pid = app.process.dwProcessId;
  HWND main = waitForWindow(pid, mainWindowClass, nullptr, windowTimeoutMs);
  if (!check(main != nullptr, "the main window appears")) return;
  HWND log = GetDlgItem(main, ids::statusLog);
  Pinger pinger(main);

  // --- The backup: "Efetuar Backup".
  pinger.beginPhase("backup");
  click(GetDlgItem(main, ids::efetuarBackup));
  HWND box = nullptr;
  bool shot = false;
  for (int waited = 0; waited < runTimeoutMs && !box && app.running(); waited += 50) {
    shootMidStep(pinger, L"Aguarde, efetuando backup...", shot, L"responsive-mid-backup", main);
    box = findWindow(pid, boxClass, L"Tarvio Backup");
    if (!box) Sleep(50);
  }
  check(shot, "a screenshot was taken mid-backup");
  if (!check(box != nullptr, "the backup ends in its message dialog")) {
    pinger.stop();
    app.close(main);
    return;
  }
  const std::wstring said = text(GetDlgItem(box, staticTextId));
  std::printf("# the dialog says: %s\n", narrow(said).c_str());
  check(said.rfind(successBoxPrefix, 0) == 0, "the backup succeeded");
  const std::wstring archive = said.substr(said.find(L"C:\\"));
  click(GetDlgItem(box, IDOK));
  waitGone(box, windowTimeoutMs);
  check(waitForLastLine(log, L"Fim...", windowTimeoutMs), "the backup's last line is \"Fim...\"");
  if (HWND explorer = waitForWindow(0, L"ExplorerWClass", nullptr, windowTimeoutMs)) {
    PostMessageW(explorer, WM_CLOSE, 0, 0);
    waitGone(explorer, windowTimeoutMs);
  }
  for (int waited = 0; waited < windowTimeoutMs && !IsWindowEnabled(GetDlgItem(main, ids::restaurarBackup));
       waited += 50) {
    Sleep(50);
  }

  // --- The restore: "Restaurar Backup", Yes, the support account, the archive.
  pinger.beginPhase("restore");
  if (startRestore(pid, main, archive, shots, L"")) {
    bool ended = false;
    shot = false;
    for (int waited = 0; waited < runTimeoutMs && !ended && app.running(); waited += 50) {
      shootMidStep(pinger, L"Descompactando o Arquivo de Backup...", shot, L"responsive-mid-restore", main);
      auto lines = listLines(log);
      ended = !lines.empty() && lines.back() == restoreEndLine;
      if (HWND other = findWindow(pid, boxClass, nullptr)) {
        check(false, "unexpected box: " + narrow(text(GetDlgItem(other, staticTextId))));
        shoot(shots, L"responsive-unexpected-box", {main, other});
        PostMessageW(other, WM_COMMAND, GetDlgItem(other, IDNO) ? IDNO : IDOK, 0);
        waitGone(other, windowTimeoutMs);
        break;
      }
      if (!ended) Sleep(50);
    }
    check(shot, "a screenshot was taken mid-restore");
    check(ended, "the restore ends with its last line");
  }
  pinger.stop();

  auto phases = pinger.phases();
  // The backup: the archive written, then read back. The restore: the chosen archive checked, the
  // safety backup written and read back, the archive extracted.
  if (phases.size() == 2) {
    checkPhase(phases[0], 2);
    checkPhase(phases[1], 4);
  }
  check(app.close(main) == 0, "closing the main window ends the program with exit code 0");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: responsive_driver APP.exe SHOT-REQUEST-FOLDER\n");
    return 2;
  }
  appExe = argv[1];
  shots = argv[2];
  run();
  std::printf("%d check(s) failed\n", failures());
  return failures() == 0 ? 0 : 1;
}
