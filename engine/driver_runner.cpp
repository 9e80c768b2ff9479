// The hardware-key driver installer runner: builds the quoted command line for
// "<installDir>\Driver\haspdinst.exe", waits at the driverStage gate during an
// install, re-applies the Driver folder's protection and runs the installer
// through the OS layer; with a package binding in force, only a copy of it
// that administrators alone can change and whose data has the bound digest.
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
// well, so that a folder with a blank in its name never makes Windows try
// the cut-off name ("C:\Program.exe") first.
bool FormatInstallerCommand(InstallerCommand& command, const wchar_t* folder, const wchar_t* option) {
  command.line[0] = 0;
  if (!FormatPath(command.folder, L"%ls", folder) ||
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

// Copies the data of from, read from its start, into a new file at path.
bool CopyData(os::File from, const wchar_t* path) {
  const os::File to = os::CreateForWrite(path);
  if (to == os::kNoFile) return false;
  uint8_t buffer[32768];
  int64_t n = 0;
  bool written = true;
  while (written && (n = os::Read(from, buffer, sizeof buffer)) > 0)
    written = os::Write(to, buffer, uint32_t(n)) == n;
  os::Close(to);
  return written && n == 0;
}

// A bound installer never runs from the install folder: any folder on that
// path may be one a user can rename or turn into a link between the check
// and the start, and a DLL beside it would be loaded with it. Its data is
// copied into a new run folder that only administrators can change, the copy
// is held open against writers from before its digest is checked until its
// child has ended, and it runs with that folder as its current folder. The
// command line names the copy. A copy that differs is treated as an
// installer that did not start.
bool RunBoundInstaller(const InstallerCommand& installed, const wchar_t* option,
                       const uint8_t* bound) {
  const os::File source = os::OpenForRead(installed.program);
  if (source == os::kNoFile) return false;
  wchar_t folder[kPathUnits] = {};
  InstallerCommand copy = {};
  const bool copied = os::CreateRunFolder(folder, kPathUnits) &&
                      FormatInstallerCommand(copy, folder, option) &&
                      CopyData(source, copy.program);
  os::Close(source);
  bool ran = false;
  if (copied) {
    const os::File held = os::OpenForRead(copy.program);
    ran = held != os::kNoFile && HeldDataMatches(held, bound) &&
          os::RunHeldProcessAndWait(held, copy.program, copy.line, kInstallerTitle, copy.folder);
    os::Close(held);
  }
  if (folder[0] != 0) {
    // The child's image may stay mapped for a moment after it ended.
    for (int tries = 0; tries < 20 && os::PathExists(copy.program) && !os::RemoveFile(copy.program);
         ++tries)
      os::SleepMilliseconds(50);
    os::RemoveFolder(folder);
  }
  return ran;
}

// A bound installer runs only as such a copy; an unbound one as it lies.
bool RunChecked(const InstallerCommand& command, const wchar_t* option) {
  if (os::PathExists(command.folder)) os::CreateAdminFolder(command.folder);
  const uint8_t* bound = BoundDriverInstallerDigest();
  if (bound == nullptr) return os::RunProcessAndWait(command.program, command.line, kInstallerTitle);
  return RunBoundInstaller(command, option, bound);
}

// The installer's command in "<installDir>\Driver".
bool FormatInstalledCommand(InstallerCommand& command, const wchar_t* option) {
  wchar_t driver[kPathUnits];
  return FormatPath(driver, L"%ls\\Driver", installState.installDir) &&
         FormatInstallerCommand(command, driver, option);
}

// Every run is counted once it is over: the child's console window may have
// taken the keyboard, and the UI thread takes it back when the count moves.
bool RunInstaller(const InstallerCommand& command, const wchar_t* option) {
  const bool ran = RunChecked(command, option);
  installState.installerRunsEnded.fetch_add(1);
  return ran;
}

}  // namespace

int RunDriverInstaller() {
  InstallerCommand command;
  const bool formatted = FormatInstalledCommand(command, L"-i");

  bool open = false;
  for (uint32_t poll = 0; poll < kDriverGatePolls && !open; ++poll) {
    open = installState.driverStage.load() == kDriverStageMayRun;
    if (!open) os::SleepMilliseconds(1);
  }
  if (!open) {
    installState.driverStage.store(kDriverStageGateTimedOut);
    return 0;
  }

  if (!formatted || !RunInstaller(command, L"-i")) {
    installState.driverStage.store(kDriverStageStartFailed);
    return 0;
  }
  installState.driverStage.store(kDriverStageDone);
  return 1;
}

int RunDriverUninstaller() {
  InstallerCommand command;
  if (!FormatInstalledCommand(command, L"-r")) return 0;
  return RunInstaller(command, L"-r") ? 1 : 0;
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
