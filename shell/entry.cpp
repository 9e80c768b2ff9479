// Program entry: the start-up sequence (single instance, probes, class,
// folders, install records, main window) and the message loop.
#include <windows.h>

#include "engine/dll_search.h"
#include "engine/install_state.h"
#include "engine/paths.h"
#include "engine/registry_record.h"
#include "engine/system_probes.h"
#include "shell/main_window.h"

namespace {

constexpr UINT kTitleStringId = 103;
constexpr UINT kClassStringId = 109;

// Kept as the entry received them; the command line is not interpreted.
HINSTANCE entryPrevInstance = nullptr;
LPWSTR entryCommandLine = nullptr;
int entryShowCommand = 0;

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE prevInstance, LPWSTR commandLine, int showCommand) {
  // Before anything can load a library from the setup folder.
  HardenDllSearch();

  appInstance = instance;
  entryPrevInstance = prevInstance;
  entryCommandLine = commandLine;
  entryShowCommand = showCommand;

  LoadStringW(instance, kTitleStringId, windowTitle, 100);
  LoadStringW(instance, kClassStringId, className, 100);

  // A second copy ends silently; the running one is left alone.
  if (FindWindowW(className, nullptr)) {
    PostQuitMessage(0);
    return 0;
  }

  ProbeWindowsBits();
  RegisterMainClass(instance);
  InitSetupDir();
  InitShellFolders();
  installState.brandRecordPresent = ReadInstallRecord(kBrandKey) ? 1 : 0;
  installState.productRecordPresent = ReadInstallRecord(kProductKey) ? 1 : 0;

  if (!CreateMainWindow(instance, entryShowCommand)) return 0;
  return RunMessageLoop();
}
