// File and folder helpers for the Windows-side service tests: scratch folders
// on the bed's C: drive, small files, UTF-8 logs read back as wide lines.
#pragma once

#include <string>
#include <vector>

namespace kvtest {

bool Exists(const std::wstring& path);
// Creates the folder and its parents; true when it exists afterwards.
bool MakeFolders(const std::wstring& path);
// Deletes a folder with everything below it (or a single file).
void RemoveTree(const std::wstring& path);
bool WriteBytes(const std::wstring& path, const std::string& bytes);
// The lines of a UTF-8 text file; empty when it does not exist.
std::vector<std::wstring> ReadUtf8Lines(const std::wstring& path);
// Splits at every tab.
std::vector<std::wstring> SplitTabs(const std::wstring& line);
// The Windows path (Z:\...) of a file of the Linux build tree.
std::wstring HostPath(const char* unixPath);

}  // namespace kvtest
