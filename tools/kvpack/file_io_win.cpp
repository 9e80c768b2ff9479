// Win32 half of kvpack's file calls (kernel32, wide paths).
#include <windows.h>
#include <io.h>

#include <cstdio>

#include "file_io.h"

namespace kvpack::io {

namespace {

HANDLE H(intptr_t h) { return reinterpret_cast<HANDLE>(h); }

// The same words as the POSIX half for the errors a build meets most.
std::string Reason(DWORD code) {
  switch (code) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return "no space left on device";
    case ERROR_FILE_TOO_LARGE: return "file too large for this file system or limit";
    case ERROR_ACCESS_DENIED: return "permission denied";
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return "no such file or folder";
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return "file exists";
    case ERROR_WRITE_PROTECT: return "read-only file system";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return "the file is in use by another program";
    default: return "Windows error " + std::to_string(code);
  }
}

bool Fail(std::string* error) {
  *error = Reason(GetLastError());
  return false;
}

uint64_t FromFileTime(const FILETIME& t) {
  return uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime;
}

}  // namespace

File::~File() {
  if (handle_ != kNone) CloseHandle(H(handle_));
}
File::File(File&& other) noexcept : handle_(other.handle_) { other.handle_ = kNone; }
File& File::operator=(File&& other) noexcept {
  std::swap(handle_, other.handle_);
  return *this;
}

bool File::OpenRead(const fs::path& path, std::string* error) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE) return Fail(error);
  handle_ = reinterpret_cast<intptr_t>(h);
  return true;
}

bool File::CreateNew(const fs::path& path, std::string* error) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return Fail(error);
  handle_ = reinterpret_cast<intptr_t>(h);
  return true;
}

bool File::CreateTemporary(const fs::path& path, std::string* error) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return Fail(error);
  handle_ = reinterpret_cast<intptr_t>(h);
  // Delete on close until Keep(): also when the process is killed. A file
  // system that cannot do this leaves the cleanup to the normal error paths.
  FILE_DISPOSITION_INFO dispose = {TRUE};
  SetFileInformationByHandle(h, FileDispositionInfo, &dispose, sizeof dispose);
  return true;
}

bool File::Keep(std::string* error) {
  FILE_DISPOSITION_INFO keep = {FALSE};
  return SetFileInformationByHandle(H(handle_), FileDispositionInfo, &keep, sizeof keep) || Fail(error);
}

void ForgetTemporaries() {}

namespace {

// Held by the step that puts files in place; the console control handler
// (a thread of its own) takes it before the process ends, so Ctrl+C,
// Ctrl+Break or closing the console waits for that step as SIGINT does on
// POSIX. Before and after the step, ending the process closes the temporary
// files' handles and so deletes them.
CRITICAL_SECTION placing;
bool handlerSet = false;

BOOL WINAPI EndAfterPlacing(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
  EnterCriticalSection(&placing);  // never left: the default handler ends the process
  return FALSE;
}

}  // namespace

void HoldInterrupts() {
  if (!handlerSet) {
    handlerSet = true;
    InitializeCriticalSection(&placing);
    SetConsoleCtrlHandler(EndAfterPlacing, TRUE);
  }
  EnterCriticalSection(&placing);
}

void ReleaseInterrupts() { LeaveCriticalSection(&placing); }

bool File::Read(void* buffer, size_t size, std::string* error) {
  size_t done = 0;
  while (done < size) {
    DWORD piece = size - done > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size - done);
    DWORD got = 0;
    if (!ReadFile(H(handle_), static_cast<char*>(buffer) + done, piece, &got, nullptr)) return Fail(error);
    if (got == 0) {
      *error = "the file is shorter than when it was scanned";
      return false;
    }
    done += got;
  }
  return true;
}

bool File::Write(const void* data, size_t size, std::string* error) {
  size_t done = 0;
  while (done < size) {
    DWORD piece = size - done > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size - done);
    DWORD put = 0;
    if (!WriteFile(H(handle_), static_cast<const char*>(data) + done, piece, &put, nullptr)) return Fail(error);
    if (put == 0) {
      *error = Reason(ERROR_DISK_FULL);
      return false;
    }
    done += put;
  }
  return true;
}

bool File::FlushToDisk(std::string* error) { return FlushFileBuffers(H(handle_)) || Fail(error); }

bool File::Close(std::string* error) {
  HANDLE h = H(handle_);
  handle_ = kNone;
  return CloseHandle(h) || Fail(error);
}

bool MoveOver(const fs::path& from, const fs::path& to, std::string* error) {
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ||
         Fail(error);
}

bool RemoveFile(const fs::path& path, std::string* error) {
  if (DeleteFileW(path.c_str())) return true;
  DWORD code = GetLastError();
  if (code == ERROR_FILE_NOT_FOUND) return true;
  // DeleteFileW refuses a read-only file: clear the attribute and try again,
  // and put it back when the file still stays.
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (code == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_READONLY) &&
      SetFileAttributesW(path.c_str(), attributes & ~DWORD(FILE_ATTRIBUTE_READONLY))) {
    if (DeleteFileW(path.c_str())) return true;
    code = GetLastError();
    SetFileAttributesW(path.c_str(), attributes);
  }
  *error = Reason(code);
  return false;
}

bool Exists(const fs::path& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool LastWriteTime(const fs::path& path, uint64_t* fileTime) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
  *fileTime = FromFileTime(data.ftLastWriteTime);
  return true;
}

bool SetLastWriteTime(const fs::path& path, uint64_t fileTime) {
  HANDLE h = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  FILETIME t;
  t.dwLowDateTime = static_cast<DWORD>(fileTime);
  t.dwHighDateTime = static_cast<DWORD>(fileTime >> 32);
  bool ok = SetFileTime(h, nullptr, &t, &t) != 0;
  CloseHandle(h);
  return ok;
}

bool StandardErrorIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

}  // namespace kvpack::io
