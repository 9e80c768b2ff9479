// The one process-wide record shared by start-up, the wizard pages and the
// operation threads. Words that another thread reads while one writes are
// std::atomic; the path buffers are written only while no operation runs
// (thread start orders them), except stepCaption, which goes through
// SetStepCaption / CopyStepCaption.
#pragma once

#include <atomic>
#include <cstdint>
#include <cwchar>

constexpr int kPathUnits = 260;

// featureFlags bits
constexpr uint32_t kFeatureDesktopLinks = 1;
constexpr uint32_t kFeatureStartMenuLinks = 2;
constexpr uint32_t kFeatureFtdiDriver = 4;
constexpr uint32_t kFeatureInstallHaspDriver = 8;

// driverStage values
constexpr uint32_t kDriverStageNone = 0;
constexpr uint32_t kDriverStageInstallerWritten = 1;
constexpr uint32_t kDriverStageMayRun = 2;
constexpr uint32_t kDriverStageDone = 3;
constexpr uint32_t kDriverStageGateTimedOut = 16;
constexpr uint32_t kDriverStageStartFailed = 17;

// completionTextIndex values (first uiTexts row of the completion page)
constexpr uint32_t kCompletionModify = 67;
constexpr uint32_t kCompletionRepair = 71;
constexpr uint32_t kCompletionRemove = 75;
constexpr uint32_t kCompletionInstall = 79;

struct InstallState {
  std::atomic<uint32_t> featureFlags{0};
  std::atomic<uint64_t> progressPos{0};
  std::atomic<uint64_t> progressTotal{0};
  uint64_t packageBytes = 0;
  uint64_t requiredBytes = 0;
  std::atomic<wchar_t> stepCaption[kPathUnits] = {};
  std::atomic<uint32_t> runFlag{0};
  std::atomic<uint32_t> driverStage{0};
  std::atomic<uint32_t> completionTextIndex{0};
  std::atomic<void*> workerThread{nullptr};
  std::atomic<void*> driverThread{nullptr};
  // Driver installer runs that have ended. The child's console window takes
  // the keyboard; the UI thread takes it back when this count moves.
  std::atomic<uint32_t> installerRunsEnded{0};
  wchar_t installDir[kPathUnits] = {};
  wchar_t setupDir[kPathUnits] = {};
  wchar_t desktopDir[kPathUnits] = {};
  wchar_t commonDesktopDir[kPathUnits] = {};
  wchar_t commonProgramsDir[kPathUnits] = {};
  uint8_t versionBlock[256] = {};
  uint32_t setupValue = 0;
  wchar_t recordedPath[kPathUnits] = {};
  uint32_t brandRecordPresent = 0;
  uint32_t productRecordPresent = 0;
  uint32_t osBits = 0;
  uint64_t diskTotalBytes = 0;
  uint64_t diskFreeBytes = 0;
};

extern InstallState installState;

// Publishes a caption (a file path or a step caption) for the progress page.
// Longer texts are cut to 259 units; the stored text is always terminated.
void SetStepCaption(const wchar_t* text);

// Copies the current caption into out (kPathUnits units, always terminated).
// A caption rewritten meanwhile may come out torn; the next change redraws it.
void CopyStepCaption(wchar_t* out);

// Bounded formatting of a path or text into a buffer of kPathUnits units.
// Returns false (and leaves an empty string) when the result does not fit.
bool FormatPath(wchar_t (&out)[kPathUnits], const wchar_t* format, ...);

// Adds to progressPos (the single writer is the operation thread).
inline void AdvanceProgress(uint64_t amount) {
  installState.progressPos.store(
      installState.progressPos.load(std::memory_order_relaxed) + amount,
      std::memory_order_relaxed);
}

// Resets every field to its process-start value (for tests).
void ResetInstallState();
