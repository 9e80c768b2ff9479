// The in-memory half of the OS layer (os_layer_mem.cpp), for fuzz targets and
// tests: files are byte buffers, folders a set of names, sleeping costs
// nothing and no process or thread is ever started. Paths are resolved the way
// Windows resolves them ('/' and '\\' alike, "." and ".." folded, never above
// the root, trailing dots and blanks dropped, ASCII letters in any case), and
// every file created and folder made is recorded under its resolved name, so
// a caller can see exactly where the engine wrote.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace os::mem {

// Forgets every file, folder, open handle and recorded path.
void Reset();
// A folder with all its parents, not recorded as written.
void PutFolder(const wchar_t* path);
// A file holding bytes, with its parent folders; not recorded as written.
void PutFile(const wchar_t* path, std::vector<uint8_t> bytes);
// The bytes of a file; false when there is no such file.
bool ReadFile(const wchar_t* path, std::vector<uint8_t>* out);
// The resolved name of every file created and folder made since Reset, in
// order (repeats included).
std::vector<std::wstring> WrittenPaths();
// The name a path resolves to, as WrittenPaths reports it.
std::wstring Resolve(const wchar_t* path);

}  // namespace os::mem
