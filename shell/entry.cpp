// Program entry: the start-up sequence (single instance, probes, class,
// folders, install records, main window) and the message loop.
#include <windows.h>
#include <objbase.h>

#include "engine/dll_search.h"
#include "engine/install_state.h"
#include "engine/paths.h"
#include "engine/registry_record.h"
#include "engine/system_probes.h"
#include "shell/binding_block.h"
#include "shell/main_window.h"

namespace {

constexpr UINT kTitleStringId = 103;
constexpr UINT kClassStringId = 109;

// Kept as the entry received them; the command line is not interpreted.
HINSTANCE entryPrevInstance = nullptr;
LPWSTR entryCommandLine = nullptr;
int entryShowCommand = 0;

// The block as the file image holds it: the empty asm hides where the pointer
// came from, so the compiler cannot read the built-in bytes (format 0) at
// compile time and drop the check that kvpack bind turns on.
const uint8_t* ProgramBindingBlock() {
  const uint8_t* block = programBindingBlock;
  asm("" : "+r"(block));
  return block;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE prevInstance, LPWSTR commandLine, int showCommand) {
  // Before anything can load a library from the setup folder.
  HardenDllSearch();
  // Before the start page opens the package: an exe that carries no binding
  // checks only the CRCs, as it always has.
  UsePackageBinding(ProgramBindingBlock());

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

  // The window's COM objects (its accessible object, the taskbar button) live
  // in the UI thread's apartment. Without COM the wizard still runs; only
  // those objects are missing.
  const bool comReady = SUCCEEDED(CoInitialize(nullptr));
  int exitCode = 0;
  if (CreateMainWindow(instance, entryShowCommand)) exitCode = RunMessageLoop();
  if (comReady) CoUninitialize();
  return exitCode;
}
