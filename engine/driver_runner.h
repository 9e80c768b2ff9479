// Running the hardware-key driver's own installer "Driver\haspdinst.exe" as a
// child process, gated on driverStage during an install. Before every run the
// Driver folder's protection is re-applied. With a package binding in force
// the installer runs from a copy in a folder only administrators can change,
// and one whose data differs from the bound digest counts as one that did not
// start: it never runs.
#pragma once

#include <cstdint>

// Polls of driverStage (one per millisecond) before the runner gives up.
constexpr uint32_t kDriverGatePolls = 10000;

// Waits for driverStage 2, runs "<installDir>\Driver\haspdinst.exe" -i and
// waits for it to end. 1 and driverStage 3 when it ran to its end; 0 with
// driverStage 16 when the gate timed out, 17 when the installer did not start.
int RunDriverInstaller();
// Runs the installer with -r and waits for it; 1 when it ran to its end, 0
// when it did not start. driverStage is left alone.
int RunDriverUninstaller();
// Thread body of the driver-installer thread: normal priority, then
// RunDriverInstaller, then driverThread = null; returns 0.
unsigned DriverInstallerThread(void*);
// Starts DriverInstallerThread and keeps its handle in driverThread; when the
// thread cannot start, driverStage = 17 at once and false.
bool StartDriverInstallerThread();
