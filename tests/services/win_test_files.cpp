// File and folder helpers for the Windows-side service tests.
#include "tests/services/win_test_files.h"

#include <windows.h>
#include <shlobj.h>

namespace kvtest {

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool MakeFolders(const std::wstring& path) {
  SHCreateDirectoryExW(nullptr, path.c_str(), nullptr);
  return Exists(path);
}

void RemoveTree(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    DeleteFileW(path.c_str());
    return;
  }
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name != L"." && name != L"..") RemoveTree(path + L"\\" + name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(path.c_str());
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

std::vector<std::wstring> ReadUtf8Lines(const std::wstring& path) {
  std::vector<std::wstring> lines;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return lines;
  std::string bytes;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof(chunk), &got, nullptr) && got > 0) bytes.append(chunk, got);
  CloseHandle(file);
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    const std::string line = bytes.substr(start, end - start);
    std::wstring wide(line.size(), L'\0');
    const int n = MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()),
                                      &wide[0], static_cast<int>(wide.size()));
    wide.resize(n > 0 ? n : 0);
    lines.push_back(wide);
    start = end + 1;
  }
  return lines;
}

std::vector<std::wstring> SplitTabs(const std::wstring& line) {
  std::vector<std::wstring> fields;
  size_t start = 0;
  for (;;) {
    const size_t tab = line.find(L'\t', start);
    fields.push_back(line.substr(start, tab == std::wstring::npos ? std::wstring::npos : tab - start));
    if (tab == std::wstring::npos) return fields;
    start = tab + 1;
  }
}

std::wstring HostPath(const char* unixPath) {
  std::wstring path = L"Z:";
  for (const char* c = unixPath; *c; ++c) path += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
  return path;
}

}  // namespace kvtest
