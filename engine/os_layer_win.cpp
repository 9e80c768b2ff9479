// Win32 half of the OS layer: kernel32 files, folders, processes and threads,
// and the protected access of the folder that holds the driver installer.
#include <windows.h>
#include <aclapi.h>
#include <process.h>
#include <sddl.h>

#include "admin_folder.h"
#include "os_layer.h"

namespace os {

static HANDLE H(File f) { return reinterpret_cast<HANDLE>(f); }
static File F(HANDLE h) {
  return h == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<File>(h);
}

bool PathExists(const wchar_t* path) {
  return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}
bool CreateFolder(const wchar_t* path) { return CreateDirectoryW(path, nullptr) != 0; }

// Why a standard user can then do nothing to the driver installer in place: the
// folder's DACL is protected, so none of the parent's entries (every
// authenticated user may modify what lies below C:\) reach it or the files made
// in it, and Users hold only read, execute and list rights (no FILE_ADD_FILE,
// FILE_DELETE_CHILD, DELETE or WRITE_DAC). Replacing haspdinst.exe needs write
// or delete access to it, which only its inherited SYSTEM and Administrators
// entries give; putting a DLL beside it needs FILE_ADD_FILE on the folder;
// renaming the folder away needs DELETE on it (or FILE_DELETE_CHILD on the
// install folder, which the modify right inherited from C:\ does not include).
// A folder a user made before the program took it over is given to the
// Administrators group, so that its maker keeps no owner's right to undo this.
// What this does not stop: a user may still rename the install folder itself
// (it inherits that modify right) and make another one in its place, and what a
// user did in an older folder before its protection was re-applied stays.
// Against both, a bound program checks the installer's digest while holding it
// open, and runs the child only when its image is the file held.
// A process without the Administrators group (kvpack.exe run by a user) could
// not write into a folder that only administrators may change.
static bool RunsAsAdministrator() {
  BYTE sid[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof sid;
  BOOL member = FALSE;
  return CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size) &&
         CheckTokenMembership(nullptr, sid, &member) && member;
}

bool CreateAdminFolder(const wchar_t* path) {
  if (!RunsAsAdministrator())
    return CreateFolder(path) || (GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES &&
                                  (GetFileAttributesW(path) & FILE_ATTRIBUTE_DIRECTORY) != 0);
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kAdminFolderSddl, SDDL_REVISION_1,
                                                            &descriptor, nullptr))
    return false;
  SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor, FALSE};
  bool protectedNow = CreateDirectoryW(path, &attributes) != 0;
  if (!protectedNow && GetLastError() == ERROR_ALREADY_EXISTS &&
      (GetFileAttributesW(path) & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    // A folder found in place may have been made by a standard user, who as
    // its owner could always rewrite its DACL (an owner's implicit WRITE_DAC):
    // it is given to the Administrators group, the owner of what an elevated
    // administrator makes, in the same step. Where that is refused (no
    // elevated token), the DACL alone is still set.
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof administrators;
    const bool haveSid =
        CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &sidSize) != 0;
    const SECURITY_INFORMATION daclOnly =
        DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION;
    wchar_t* const name = const_cast<wchar_t*>(path);
    protectedNow =
        GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) && present &&
        ((haveSid && SetNamedSecurityInfoW(name, SE_FILE_OBJECT, daclOnly | OWNER_SECURITY_INFORMATION,
                                           administrators, nullptr, dacl, nullptr) == ERROR_SUCCESS) ||
         SetNamedSecurityInfoW(name, SE_FILE_OBJECT, daclOnly, nullptr, nullptr, dacl, nullptr) ==
             ERROR_SUCCESS);
  }
  LocalFree(descriptor);
  return protectedNow;
}
bool RemoveFolder(const wchar_t* path) { return RemoveDirectoryW(path) != 0; }
bool RemoveFile(const wchar_t* path) { return DeleteFileW(path) != 0; }
bool MoveOver(const wchar_t* from, const wchar_t* to) {
  return MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
}

File OpenForRead(const wchar_t* path) {
  return F(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr));
}
File CreateForWrite(const wchar_t* path) {
  return F(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr));
}
File CreateForReadWrite(const wchar_t* path) {
  return F(CreateFileW(path, GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr));
}
void Close(File file) {
  if (file != kNoFile) CloseHandle(H(file));
}

int64_t Read(File file, void* buffer, uint32_t size) {
  DWORD done = 0;
  if (!ReadFile(H(file), buffer, size, &done, nullptr)) return -1;
  return done;
}
int64_t Write(File file, const void* buffer, uint32_t size) {
  DWORD done = 0;
  if (!WriteFile(H(file), buffer, size, &done, nullptr)) return -1;
  return done;
}
bool Seek(File file, uint64_t offset) {
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(offset);
  return SetFilePointerEx(H(file), to, nullptr, FILE_BEGIN) != 0;
}
int64_t Size(File file) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(H(file), &size)) return -1;
  return size.QuadPart;
}
bool SetLastWriteTime(File file, uint64_t fileTime) {
  FILETIME t;
  t.dwLowDateTime = static_cast<DWORD>(fileTime);
  t.dwHighDateTime = static_cast<DWORD>(fileTime >> 32);
  return SetFileTime(H(file), nullptr, nullptr, &t) != 0;
}

static bool StartChild(const wchar_t* applicationPath, const wchar_t* commandLine,
                       const wchar_t* title, DWORD flags, const wchar_t* currentFolder,
                       PROCESS_INFORMATION* process) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);  // 68
  startup.lpTitle = const_cast<wchar_t*>(title);
  // CreateProcessW may write into the command line buffer.
  wchar_t line[1024];
  lstrcpynW(line, commandLine, 1024);
  return CreateProcessW(applicationPath, line, nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS | flags,
                        nullptr, currentFolder, &startup, process) != 0;
}

static void WaitAndClose(const PROCESS_INFORMATION& process) {
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
}

bool RunProcessAndWait(const wchar_t* applicationPath, const wchar_t* commandLine,
                       const wchar_t* title) {
  PROCESS_INFORMATION process = {};
  if (!StartChild(applicationPath, commandLine, title, 0, nullptr, &process)) return false;
  WaitAndClose(process);
  return true;
}

// The image a suspended child was made from is the held file when both name
// one file: same volume serial number and file index. The held handle keeps
// the file itself from being renamed or deleted, so its index cannot move to
// another file meanwhile.
static bool ImageIsHeldFile(HANDLE process, HANDLE held) {
  wchar_t name[1024];
  DWORD units = 1024;
  if (!QueryFullProcessImageNameW(process, 0, name, &units)) return false;
  HANDLE image = CreateFileW(name, FILE_READ_ATTRIBUTES,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
  if (image == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION a, b;
  const bool same = GetFileInformationByHandle(image, &a) && GetFileInformationByHandle(held, &b) &&
                    a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
                    a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
  CloseHandle(image);
  return same;
}

bool RunHeldProcessAndWait(File held, const wchar_t* applicationPath, const wchar_t* commandLine,
                           const wchar_t* title, const wchar_t* currentFolder) {
  PROCESS_INFORMATION process = {};
  if (!StartChild(applicationPath, commandLine, title, CREATE_SUSPENDED, currentFolder, &process))
    return false;
  const bool same = ImageIsHeldFile(process.hProcess, H(held));
  if (same)
    ResumeThread(process.hThread);
  else
    TerminateProcess(process.hProcess, 1);
  WaitAndClose(process);
  return same;
}

void SleepMilliseconds(uint32_t ms) { Sleep(ms); }

// Why not Sleep(1): Sleep ends on a tick of the system clock ("If
// dwMilliseconds is greater than one tick but less than two, the wait can be
// anywhere between one and two ticks", Sleep's documentation), and the tick is
// 15.625 ms unless a process raised the timer resolution. Since Windows 10
// version 2004 a raise by another program no longer reaches this process
// (timeBeginPeriod's documentation: "For processes which have not called this
// function, Windows does not guarantee a higher resolution than the default
// system resolution"; Windows 11 also drops it for a window that cannot be
// seen), so the pause after each of some 5,000 files would take 15.6 ms:
// about 80 s for a full package instead of about 5 s.
// A timer made with CREATE_WAITABLE_TIMER_HIGH_RESOLUTION ("for time-critical
// situations when short expiration delays on the order of a few milliseconds
// are unacceptable", Windows 10 version 1803 and later) expires at its due
// time whatever the tick, without changing the tick for anyone else. Older
// systems refuse the flag (ERROR_INVALID_PARAMETER) and kernel32 of Windows 7
// has no CreateWaitableTimerExW at all: both fall back to Sleep(1), which
// there follows the global resolution that other programs raise, as it always
// did. timeBeginPeriod is not called: it would also shorten the 10,000
// one-millisecond polls of the driver gate and the workers from about 156 s to
// about 10 s, and a real driver installer running longer would be left
// behind when the completion page appears.
void PauseAfterFile() {
  constexpr DWORD kHighResolution = 0x00000002;  // CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
  using CreateTimerEx = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LPCWSTR, DWORD, DWORD);
  static const CreateTimerEx create = reinterpret_cast<CreateTimerEx>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "CreateWaitableTimerExW")));
  HANDLE timer = create ? create(nullptr, nullptr, kHighResolution, TIMER_MODIFY_STATE | SYNCHRONIZE)
                        : nullptr;
  LARGE_INTEGER due;
  due.QuadPart = -10000;  // relative, in 100 ns units: 1 ms
  if (timer != nullptr && SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE))
    WaitForSingleObject(timer, INFINITE);
  else
    Sleep(1);
  if (timer != nullptr) CloseHandle(timer);
}

// The thread bodies use the default calling convention; the runtime's
// thread start wants __stdcall, so a trampoline carries the body across.
static unsigned __stdcall ThreadTrampoline(void* body) {
  return reinterpret_cast<unsigned (*)(void*)>(body)(nullptr);
}

void* StartThread(unsigned (*body)(void*)) {
  unsigned id = 0;
  uintptr_t h = _beginthreadex(nullptr, 0, ThreadTrampoline, reinterpret_cast<void*>(body), 0, &id);
  return reinterpret_cast<void*>(h);
}

// Auto-reset: each SetEvent releases one wait; SetEvent and the wait order
// the memory of the two threads.
Signal CreateSignal() { return CreateEventW(nullptr, FALSE, FALSE, nullptr); }
void RaiseSignal(Signal signal) { SetEvent(signal); }
void WaitSignal(Signal signal) { WaitForSingleObject(signal, INFINITE); }

bool SeveralProcessors() {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwNumberOfProcessors > 1;
}

void SetThreadPriorityNormal() { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL); }

}  // namespace os
