// The folders settled at start-up: the setup program's own folder, the default
// install folder and the three shell folders; and the program's own file name.
#pragma once

// Fills setupDir from the program's own file name; leaves it empty when that
// name cannot be had or split.
void InitSetupDir();
// setupDir (kPathUnits units) from a full module file name of up to 518
// units, the testable core of InitSetupDir: drive and folder, with one
// trailing backslash removed. Returns false and leaves setupDir empty when the
// name does not split into the drive (2), folder (255), name and extension
// (255 each) buffers, when its folder is not a full one (drive and root, or
// UNC), or when the result does not fit. OpenSetupPackage refuses an empty
// setupDir, so the package is never looked for anywhere else.
bool SetupDirFromModulePath(const wchar_t* modulePath, wchar_t* setupDir);
// installDir = "C:\Tavenor" and the desktop, all-users desktop and all-users
// start-menu programs folders.
void InitShellFolders();
// 0 or -1; path (kPathUnits units) receives the folder (created when missing),
// empty on failure.
int GetShellFolder(int csidl, wchar_t* path);
// The setup program's own full file name into path (kPathUnits units). False,
// with path empty, when the name cannot be had or does not fit.
bool GetSetupProgramPath(wchar_t* path);
