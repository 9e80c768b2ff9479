// The hardware-key driver installer runner: builds the quoted command line for
// "<installDir>\Driver\haspdinst.exe", waits at the driverStage gate during an
// install and runs the installer through the OS layer.
#include "driver_runner.h"

#include <cwchar>

#include "install_state.h"
#include "os_layer.h"

namespace {

constexpr const wchar_t* kInstallerTitle = L"HASP Driver Install";
// The program path, two quotes, a blank and the switch.
constexpr int kCommandUnits = kPathUnits + 8;

struct InstallerCommand {
  wchar_t program[kPathUnits];
  wchar_t line[kCommandUnits];
};

// The program path is quoted on the command line and passed on its own as
// well, so that an install folder with a blank in its name never makes
// Windows try the cut-off name ("C:\Program.exe") first.
bool FormatInstallerCommand(InstallerCommand& command, const wchar_t* option) {
  command.line[0] = 0;
  if (!FormatPath(command.program, L"%ls\\Driver\\haspdinst.exe", installState.installDir))
    return false;
  const int n = swprintf(command.line, kCommandUnits, L"\"%ls\" %ls", command.program, option);
  if (n < 0 || n >= kCommandUnits) {
    command.line[0] = 0;
    return false;
  }
  return true;
}

bool RunInstaller(const InstallerCommand& command) {
  return os::RunProcessAndWait(command.program, command.line, kInstallerTitle);
}

}  // namespace

int RunDriverInstaller() {
  InstallerCommand command;
  const bool formatted = FormatInstallerCommand(command, L"-i");

  bool open = false;
  for (uint32_t poll = 0; poll < kDriverGatePolls && !open; ++poll) {
    open = installState.driverStage.load() == kDriverStageMayRun;
    if (!open) os::SleepMilliseconds(1);
  }
  if (!open) {
    installState.driverStage.store(kDriverStageGateTimedOut);
    return 0;
  }

  if (!formatted || !RunInstaller(command)) {
    installState.driverStage.store(kDriverStageStartFailed);
    return 0;
  }
  installState.driverStage.store(kDriverStageDone);
  return 1;
}

int RunDriverUninstaller() {
  InstallerCommand command;
  if (!FormatInstallerCommand(command, L"-r")) return 0;
  return RunInstaller(command) ? 1 : 0;
}

bool StartDriverInstallerThread() {
  void* thread = os::StartThread(DriverInstallerThread);
  if (thread == nullptr) {
    // The outcome of a runner whose installer did not start: the worker's
    // wait for the driver ends at once instead of after all its polls.
    installState.driverStage.store(kDriverStageStartFailed);
    return false;
  }
  installState.driverThread.store(thread);
  return true;
}

unsigned DriverInstallerThread(void*) {
  os::SetThreadPriorityNormal();
  RunDriverInstaller();
  installState.driverThread.store(nullptr);
  return 0;
}
