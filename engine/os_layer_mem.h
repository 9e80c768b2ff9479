// The in-memory half of the OS layer (os_layer_mem.cpp), for fuzz targets and
// tests: files are byte buffers, folders a set of names, sleeping costs
// nothing and no process or thread is ever started. Paths are resolved the way
// Windows resolves them ('/' and '\\' alike, "." and ".." folded, never above
// the root, a middle component's one trailing dot and a last component's
// trailing dots and blanks dropped, ASCII letters in any case), a path whose
// last component names a device (CON, NUL, COM1, "lpt1.txt", CONOUT$ ...)
// resolves to \\.\DEVICE, outside every folder, and every file
// created and folder made (or tried, for a device) is recorded under its
// resolved name, so a caller can see exactly where the engine wrote.
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
// A file over size bytes that stay the caller's, with its parent folders; not
// recorded as written. The bytes are read in place, never copied, so they must
// stay as they are until Reset or until the engine replaces the file: a fuzz
// target hands over its input this way each run without a copy.
void PutFile(const wchar_t* path, const uint8_t* bytes, size_t size);
// The bytes of a file; false when there is no such file.
bool ReadFile(const wchar_t* path, std::vector<uint8_t>* out);
// The resolved name of every file created and folder made since Reset, in
// order (repeats included).
std::vector<std::wstring> WrittenPaths();
// The name a path resolves to, as WrittenPaths reports it.
std::wstring Resolve(const wchar_t* path);

}  // namespace os::mem
