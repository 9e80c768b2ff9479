// Running the hardware-key driver's own installer "Driver\haspdinst.exe" as a
// child process, gated on driverStage during an install.
#pragma once

int RunDriverInstaller();
int RunDriverUninstaller();
// Thread body of the driver-installer thread.
unsigned DriverInstallerThread(void*);
