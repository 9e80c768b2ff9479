// The recording stand-ins declared in recording_fakes.h.
#include "recording_fakes.h"

#include "driver_runner.h"
#include "extraction.h"
#include "install_state.h"
#include "os_layer.h"
#include "package_reader.h"
#include "page_switch.h"
#include "registry_record.h"
#include "removal.h"
#include "shortcuts.h"

WorkerFakes fakes;

namespace {
void Record(const std::wstring& name) {
  wchar_t caption[kPathUnits];
  CopyStepCaption(caption);
  fakes.calls.push_back({name, caption, installState.progressPos.load()});
}
}  // namespace

void ResetFakes() {
  fakes = WorkerFakes();
  ResetInstallState();
}

std::vector<std::wstring> CallNames() {
  std::vector<std::wstring> names;
  for (const FakeCall& c : fakes.calls) names.push_back(c.name);
  return names;
}

int ExtractPackage() {
  Record(L"ExtractPackage");
  installState.driverStage.store(kDriverStageNone);
  SetStepCaption(L"C:\\Tavenor\\SongMR\\00\\000.esz");
  installState.progressPos.store(fakes.extractEndPos);
  if (fakes.extractRc == 0) installState.driverStage.store(fakes.stageAfterExtract);
  return fakes.extractRc;
}

int ExtractFtdiDriver() {
  Record(L"ExtractFtdiDriver");
  installState.progressPos.store(fakes.ftdiEndPos);
  return fakes.ftdiRc;
}

void ClosePackageFile() { Record(L"ClosePackageFile"); }
int RemoveInstalledFiles() { Record(L"RemoveInstalledFiles"); return 1; }
int32_t CreateShortcuts() { Record(L"CreateShortcuts"); return 1; }
int DeleteShortcuts() { Record(L"DeleteShortcuts"); return 1; }
int WriteInstallRecord() { Record(L"WriteInstallRecord"); return 1; }
int DeleteInstallRecord() { Record(L"DeleteInstallRecord"); return 1; }
int RunDriverInstaller() { Record(L"RunDriverInstaller"); return fakes.driverInstallerRc; }
int RunDriverUninstaller() { Record(L"RunDriverUninstaller"); return fakes.driverUninstallerRc; }

void SwitchPage(uint32_t page) {
  fakes.completionAtSwitch = installState.completionTextIndex.load();
  Record(L"SwitchPage " + std::to_wstring(page));
}

namespace os {
void SleepMilliseconds(uint32_t) {
  ++fakes.sleeps;
  if (fakes.sleeps == fakes.stageSleep) installState.driverStage.store(fakes.stageAtSleep);
  if (fakes.sleeps == fakes.cancelSleep) installState.runFlag.store(0);
}
void SetThreadPriorityNormal() { Record(L"SetThreadPriorityNormal"); }
}  // namespace os
