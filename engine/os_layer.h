// The narrow operating-system layer under the portable engine: files, folders,
// child processes and sleeping. One Win32 half (os_layer_win.cpp) and one POSIX
// half (os_layer_posix.cpp) implement exactly these calls; nothing else in the
// portable engine touches the operating system.
//
// Paths are Windows-style wide strings as the engine formats them ("dir\\Doc");
// the POSIX half reads '\\' as the folder separator and stores names as UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>

namespace os {

// 1970-01-01 as a FILETIME (100 ns since 1601-01-01 UTC), the form every
// file time of the package and of this layer takes.
constexpr uint64_t kUnixEpochAsFileTime = 116444736000000000ull;

using File = intptr_t;
constexpr File kNoFile = -1;

// True when the path names an existing file or folder.
bool PathExists(const wchar_t* path);
// Creates one folder level; false when it could not be made (also when it exists).
bool CreateFolder(const wchar_t* path);
// Creates one folder level, or takes the existing folder, so that only SYSTEM
// and Administrators may change what is in it and Users may only read and run
// it, nothing inherited from its parent (Win32, in a process of the
// Administrators group; otherwise, and in the other halves, a plain folder).
// False when the folder is missing afterwards or its protection could not be
// applied.
bool CreateAdminFolder(const wchar_t* path);
// Removes an empty folder; false otherwise.
bool RemoveFolder(const wchar_t* path);
// Deletes a file; false when it could not be deleted.
bool RemoveFile(const wchar_t* path);

// Gives the file at from the name to, replacing a file of that name; false
// when it could not (from is then left as it was).
bool MoveOver(const wchar_t* from, const wchar_t* to);

// Opens an existing file for reading, others may read it too. On Windows,
// nobody can write, delete or rename the file while the handle is open.
File OpenForRead(const wchar_t* path);
// Creates or truncates a file for writing, not shared.
File CreateForWrite(const wchar_t* path);
// Creates or truncates a file for reading and writing, shared for both.
File CreateForReadWrite(const wchar_t* path);
void Close(File file);

// Reads up to size bytes at the current position; returns the count read,
// -1 on failure.
int64_t Read(File file, void* buffer, uint32_t size);
// Writes size bytes; returns the count written, -1 on failure.
int64_t Write(File file, const void* buffer, uint32_t size);
// Moves to an absolute offset; false on failure.
bool Seek(File file, uint64_t offset);
// Full size of an open file (64-bit); -1 on failure.
int64_t Size(File file);
// Sets the last-write time (a FILETIME: 100 ns since 1601-01-01 UTC), leaving
// creation and access times alone.
bool SetLastWriteTime(File file, uint64_t fileTime);

// Runs a command line ("program" args) as a child process with the given
// window title and waits for it to end. Returns false when it could not start.
bool RunProcessAndWait(const wchar_t* applicationPath, const wchar_t* commandLine,
                       const wchar_t* title);

// RunProcessAndWait for a program held open (OpenForRead of applicationPath),
// with currentFolder as the child's current folder: the Win32 half starts the
// child suspended and lets it run only when its image is the held file (same
// volume and file index); otherwise the child is ended before it ran and
// false. The caller closes held after the return.
bool RunHeldProcessAndWait(File held, const wchar_t* applicationPath,
                           const wchar_t* commandLine, const wchar_t* title,
                           const wchar_t* currentFolder);
// Makes a new, empty folder for a program to be run from, writing its path
// into folder (units wide). Win32: in the Windows folder's Temp, with only
// SYSTEM and Administrators allowed in, owned by Administrators and nothing
// inherited, all set as it is made, so that no other account can ever put,
// change or rename anything in it or rename it away. POSIX: a new folder only
// its maker may use. False when none could be made.
bool CreateRunFolder(wchar_t* folder, size_t units);

void SleepMilliseconds(uint32_t ms);
// The pause extraction makes after each song, font, info and MR file: about
// one millisecond, also where the system clock ticks only every 15.6 ms (see
// the Win32 half). The polls of the driver gate and the workers keep
// SleepMilliseconds(1).
void PauseAfterFile();

// Starts a thread body with the runtime's thread start (default stack, no
// argument, no flags); returns its handle, null when it could not start.
// The handle is never closed: the thread ends with the process at the latest.
void* StartThread(unsigned (*body)(void*));
// A wake-up between two threads of one job: RaiseSignal lets one WaitSignal
// return, the one waiting or the next one to come. Made once and kept until
// the process ends; null when it could not be made (the in-memory half makes
// none: it starts no thread either).
using Signal = void*;
Signal CreateSignal();
void RaiseSignal(Signal signal);
void WaitSignal(Signal signal);

// True when the machine runs more than one thread at a time.
bool SeveralProcessors();
// Gives the calling thread normal priority.
void SetThreadPriorityNormal();

}  // namespace os
