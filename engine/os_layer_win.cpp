// Win32 half of the OS layer: kernel32 files, folders, processes and threads.
#include <windows.h>
#include <process.h>

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
bool RemoveFolder(const wchar_t* path) { return RemoveDirectoryW(path) != 0; }
bool RemoveFile(const wchar_t* path) { return DeleteFileW(path) != 0; }

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

bool RunProcessAndWait(const wchar_t* applicationPath, const wchar_t* commandLine,
                       const wchar_t* title) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);  // 68
  startup.lpTitle = const_cast<wchar_t*>(title);
  PROCESS_INFORMATION process = {};
  // CreateProcessW may write into the command line buffer.
  wchar_t line[1024];
  lstrcpynW(line, commandLine, 1024);
  if (!CreateProcessW(applicationPath, line, nullptr, nullptr, TRUE,
                      NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &process))
    return false;
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return true;
}

void SleepMilliseconds(uint32_t ms) { Sleep(ms); }

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

void SetThreadPriorityNormal() { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL); }

}  // namespace os
