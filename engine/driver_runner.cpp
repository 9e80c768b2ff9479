// The hardware-key driver installer runner: builds the quoted command line for
// "<installDir>\Driver\haspdinst.exe", waits at the driverStage gate during an
// install, re-applies the Driver folder's protection and runs the installer
// through the OS layer; with a package binding in force, only the installer
// whose data has the bound digest.
#include "driver_runner.h"

#include <cstring>
#include <cwchar>

#include "install_state.h"
#include "os_layer.h"
#include "package_binding.h"
#include "sha256.h"

namespace {

constexpr const wchar_t* kInstallerTitle = L"HASP Driver Install";
// The program path, two quotes, a blank and the switch.
constexpr int kCommandUnits = kPathUnits + 8;

struct InstallerCommand {
  wchar_t folder[kPathUnits];
  wchar_t program[kPathUnits];
  wchar_t line[kCommandUnits];
};

// The program path is quoted on the command line and passed on its own as
// well, so that an install folder with a blank in its name never makes
// Windows try the cut-off name ("C:\Program.exe") first.
bool FormatInstallerCommand(InstallerCommand& command, const wchar_t* option) {
  command.line[0] = 0;
  if (!FormatPath(command.folder, L"%ls\\Driver", installState.installDir) ||
      !FormatPath(command.program, L"%ls\\haspdinst.exe", command.folder))
    return false;
  const int n = swprintf(command.line, kCommandUnits, L"\"%ls\" %ls", command.program, option);
  if (n < 0 || n >= kCommandUnits) {
    command.line[0] = 0;
    return false;
  }
  return true;
}

// The data of the held file, read from its start, has the digest wanted.
bool HeldDataMatches(os::File held, const uint8_t* wanted) {
  uint8_t buffer[32768];
  Sha256 sha;
  Sha256Init(&sha);
  int64_t n = 0;
  while ((n = os::Read(held, buffer, sizeof buffer)) > 0) Sha256Update(&sha, buffer, size_t(n));
  uint8_t digest[kSha256Bytes];
  Sha256Final(&sha, digest);
  return n == 0 && std::memcmp(digest, wanted, kSha256Bytes) == 0;
}

// A bound installer is held open from before its data is hashed until its
// child has ended, so that nobody can change or replace the file between the
// check and the start; one that differs is treated as one that did not start.
bool RunChecked(const InstallerCommand& command) {
  if (os::PathExists(command.folder)) os::CreateAdminFolder(command.folder);
  const uint8_t* bound = BoundDriverInstallerDigest();
  if (bound == nullptr) return os::RunProcessAndWait(command.program, command.line, kInstallerTitle);
  const os::File held = os::OpenForRead(command.program);
  if (held == os::kNoFile) return false;
  const bool ran = HeldDataMatches(held, bound) &&
                   os::RunHeldProcessAndWait(held, command.program, command.line, kInstallerTitle);
  os::Close(held);
  return ran;
}

// Every run is counted once it is over: the child's console window may have
// taken the keyboard, and the UI thread takes it back when the count moves.
bool RunInstaller(const InstallerCommand& command) {
  const bool ran = RunChecked(command);
  installState.installerRunsEnded.fetch_add(1);
  return ran;
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
