// Recording stand-ins for everything the operation workers call: the
// extraction, removal, shortcut, registry and driver-runner services, the OS
// layer's sleeping and thread calls, and SwitchPage. Each call is logged with
// the step caption and progressPos seen at that moment.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct FakeCall {
  std::wstring name;      // "ExtractPackage", "SwitchPage 17", ...
  std::wstring caption;   // stepCaption when the call was made
  uint64_t progressPos;   // progressPos when the call was made
};

struct WorkerFakes {
  // Extraction: its result, where it leaves progressPos and driverStage.
  int extractRc = 0;
  uint64_t extractEndPos = 0;
  uint32_t stageAfterExtract = 2;
  int ftdiRc = 0;
  uint64_t ftdiEndPos = 0;
  int driverInstallerRc = 1;
  int driverUninstallerRc = 1;
  // Sleep number n (1-based) sets driverStage to stageAtSleep when n equals
  // stageSleep, and clears runFlag when n equals cancelSleep (0: never).
  int stageSleep = 0;
  uint32_t stageAtSleep = 0;
  int cancelSleep = 0;

  std::vector<FakeCall> calls;
  int sleeps = 0;
  uint32_t completionAtSwitch = 0;
};

extern WorkerFakes fakes;

// Clears the fakes and the install state.
void ResetFakes();
// The names of the recorded calls, in order.
std::vector<std::wstring> CallNames();
