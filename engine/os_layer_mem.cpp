// In-memory implementation of engine/os_layer.h (see os_layer_mem.h). One
// mutex guards the whole store, so an engine thread and a test may share it.
#include "os_layer_mem.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "os_layer.h"

namespace os {

namespace {

// Bytes the engine wrote, or a caller's bytes put in place (PutFile), which
// only handles opened for reading ever see.
struct MemFile {
  std::vector<uint8_t> bytes;
  const uint8_t* put = nullptr;
  size_t putSize = 0;
  uint64_t lastWriteTime = 0;
  const uint8_t* data() const { return put ? put : bytes.data(); }
  size_t size() const { return put ? putSize : bytes.size(); }
};

struct Handle {
  std::shared_ptr<MemFile> file;
  uint64_t position = 0;
  bool canRead = false, canWrite = false;
};

struct Store {
  std::mutex lock;
  std::map<std::wstring, std::shared_ptr<MemFile>> files;
  std::set<std::wstring> folders;
  std::map<File, Handle> handles;
  File nextHandle = 1;
  std::vector<std::wstring> written;
  std::wstring resolved;  // the last path resolved, its room kept (see Resolved)
};

Store& TheStore() {
  static Store store;
  return store;
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

wchar_t Folded(wchar_t c) { return c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c; }

// Where a path that names a device resolves: no folder holds it.
constexpr wchar_t kDevicePrefix[] = L"\\\\.\\";

// Whether the name's first n units are the text word, ASCII letters in any
// case.
bool SameLetters(const wchar_t* name, size_t n, const wchar_t* word) {
  size_t i = 0;
  for (; i < n && word[i]; ++i)
    if (Folded(name[i]) != Folded(word[i])) return false;
  return i == n && word[i] == 0;
}

// The length of the device a last component names, or 0. Windows opens a
// device, not a file, for CON, PRN, AUX, NUL, COM0-9, LPT0-9 (the digits 1-3
// also as superscripts), CONIN$ and CONOUT$, in any case, whatever follows a
// dot or a colon, with blanks before that ("nul.ttf", "Com1 .x", "lpt\u00B9",
// "con:x"). A middle component never names one ("nul\x" is a path).
size_t DeviceStem(const wchar_t* name, size_t length) {
  size_t stem = 0;
  while (stem < length && name[stem] != L'.' && name[stem] != L':') ++stem;
  while (stem > 0 && name[stem - 1] == L' ') --stem;
  static const wchar_t* const kPlain[] = {L"con", L"prn", L"aux", L"nul", L"conin$", L"conout$"};
  for (const wchar_t* device : kPlain)
    if (SameLetters(name, stem, device)) return stem;
  if (stem == 4 && (SameLetters(name, 3, L"com") || SameLetters(name, 3, L"lpt"))) {
    const wchar_t d = name[3];
    if ((d >= L'0' && d <= L'9') || d == 0x00B9 || d == 0x00B2 || d == 0x00B3) return stem;
  }
  return 0;
}

// Windows' folding of a full path (GetFullPathNameW): "." and ".." (exactly
// those) fold; a middle component loses one trailing dot ("a." is "a", "a.."
// is "a.") and keeps its blanks (".. " is a name, it does not climb); the last
// component loses every trailing dot and blank after the ".." test ("a. .."
// is "a", and ".. " or "..." leave the folder itself); a last component that
// names a device makes the whole path that device. A drive ("c:") is the
// root that ".." never climbs above; a path without one is rooted at "\\".
// Built in one string: this runs for every call.
void ResolvePath(const wchar_t* path, std::wstring& out) {
  out.clear();
  size_t i = 0;
  if (path[0] && path[1] == L':' && (path[2] == 0 || IsSeparator(path[2]))) {
    out += Folded(path[0]);
    out += L':';
    i = 2;
  }
  const size_t rootLength = out.size();
  while (path[i]) {
    while (IsSeparator(path[i])) ++i;
    if (!path[i]) break;
    size_t end = i;
    while (path[end] && !IsSeparator(path[end])) ++end;
    const bool last = path[end] == 0;
    const size_t length = end - i;
    if (length == 1 && path[i] == L'.') {
      // the folder itself
    } else if (length == 2 && path[i] == L'.' && path[i + 1] == L'.') {
      if (out.size() > rootLength) out.resize(out.rfind(L'\\'));
    } else if (const size_t stem = last ? DeviceStem(path + i, length) : 0) {
      out = kDevicePrefix;
      for (size_t k = i; k < i + stem; ++k) out += Folded(path[k]);
      return;
    } else {
      size_t kept = end;
      if (last)
        while (kept > i && (path[kept - 1] == L'.' || path[kept - 1] == L' ')) --kept;
      else if (path[kept - 1] == L'.')
        --kept;
      if (kept > i) {
        out += L'\\';
        for (size_t k = i; k < kept; ++k) out += Folded(path[k]);
      }
    }
    i = end;
  }
  if (out.size() == rootLength) out += L'\\';
}

bool IsDevice(const std::wstring& resolved) { return resolved.compare(0, 4, kDevicePrefix) == 0; }

std::wstring ResolvePath(const wchar_t* path) {
  std::wstring out;
  ResolvePath(path, out);
  return out;
}

// The resolved name of a path in the store's own buffer, valid until the next
// call: removal alone asks after some two hundred names, and a new string for
// each would cost more than the lookups.
const std::wstring& Resolved(Store& s, const wchar_t* path) {
  ResolvePath(path, s.resolved);
  return s.resolved;
}

// Only a root ("c:\\" or "\\") ends in a separator; it always exists.
bool IsRoot(const std::wstring& resolved) { return resolved.back() == L'\\'; }

std::wstring Parent(const std::wstring& resolved) {
  const std::wstring parent = resolved.substr(0, resolved.rfind(L'\\'));
  return parent.find(L'\\') == std::wstring::npos ? parent + L"\\" : parent;
}

bool Exists(Store& s, const std::wstring& resolved) {
  return IsRoot(resolved) || s.folders.count(resolved) || s.files.count(resolved);
}

bool IsFolder(Store& s, const std::wstring& resolved) {
  return IsRoot(resolved) || s.folders.count(resolved);
}

File Create(const wchar_t* path, bool canRead) {
  Store& s = TheStore();
  std::lock_guard<std::mutex> hold(s.lock);
  const std::wstring name = ResolvePath(path);
  // A device opens (the console, NUL) wherever the path pointed: recorded as
  // a write outside every folder, its bytes go nowhere.
  const bool device = IsDevice(name);
  if (!device && (IsFolder(s, name) || !IsFolder(s, Parent(name)))) return kNoFile;
  s.written.push_back(name);
  auto file = std::make_shared<MemFile>();
  if (!device) s.files[name] = file;
  const File h = s.nextHandle++;
  s.handles[h] = Handle{file, 0, canRead, true};
  return h;
}

Handle* Find(Store& s, File file) {
  auto it = s.handles.find(file);
  return it == s.handles.end() ? nullptr : &it->second;
}

void MakeFolders(Store& s, const std::wstring& resolved) {
  if (IsRoot(resolved)) return;
  MakeFolders(s, Parent(resolved));
  s.folders.insert(resolved);
}

}  // namespace

bool PathExists(const wchar_t* path) {
  Store& s = TheStore();
  std::lock_guard<std::mutex> hold(s.lock);
  return Exists(s, Resolved(s, path));
}

bool CreateFolder(const wchar_t* path) {
  Store& s = TheStore();
  std::lock_guard<std::mutex> hold(s.lock);
  const std::wstring name = ResolvePath(path);
  if (IsDevice(name)) {  // no folder is made, but the engine aimed at a device
    s.written.push_back(name);
    return false;
  }
  if (Exists(s, name) || !IsFolder(s, Parent(name))) return false;
  s.folders.insert(name);
  s.written.push_back(name);
  return true;
}

bool CreateAdminFolder(const wchar_t* path) {
  if (CreateFolder(path)) return true;
  Store& s = TheStore();
  std::lock_guard<std::mutex> hold(s.lock);
  return IsFolder(s, Resolved(s, path));
}

bool RemoveFolder(const wchar_t* path) {
  Store& s = TheStore();
  std::lock_guard<std::mutex> hold(s.lock);
  const std::wstring& name = Resolved(s, path);
  if (!s.folders.count(name)) return false;
  const std::wstring inside = name + L"\\";
  auto below = [&](const std::wstring& other) { return other.compare(0, inside.size(), inside) == 0; };
  auto file = s.files.lower_bound(inside);
  auto folder = s.folders.lower_bound(inside);
  if ((file != s.files.end() && below(file->first)) || (folder != s.folders.end() && below(*folder)))
    return false;
  s.folders.erase(name);
  return true;
}

bool RemoveFile(const wchar_t* path) {
  Store& s = TheStore();
  std::lock_guard<std::mutex> hold(s.lock);
  return s.files.erase(Resolved(s, path)) > 0;
}

bool MoveOver(const wchar_t* from, const wchar_t* to) {
  Store& s = TheStore();
  std::lock_guard<std::mutex> hold(s.lock);
  const std::wstring source = ResolvePath(from), target = ResolvePath(to);
  auto it = s.files.find(source);
  if (it == s.files.end() || IsDevice(target) || IsFolder(s, target) || !IsFolder(s, Parent(target)))
    return false;
  std::shared_ptr<MemFile> file = it->second;
  s.files.erase(it);
  s.files[target] = file;
  s.written.push_back(target);
  return true;
}

File OpenForRead(const wchar_t* path) {
  Store& s = TheStore();
  std::lock_guard<std::mutex> hold(s.lock);
  auto it = s.files.find(Resolved(s, path));
  if (it == s.files.end()) return kNoFile;
  const File h = s.nextHandle++;
  s.handles[h] = Handle{it->second, 0, true, false};
  return h;
}

File CreateForWrite(const wchar_t* path) { return Create(path, false); }
File CreateForReadWrite(const wchar_t* path) { return Create(path, true); }

void Close(File file) {
  Store& s = TheStore();
  std::lock_guard<std::mutex> hold(s.lock);
  s.handles.erase(file);
}

int64_t Read(File file, void* buffer, uint32_t size) {
  Store& s = TheStore();
  std::lock_guard<std::mutex> hold(s.lock);
  Handle* h = Find(s, file);
  if (!h || !h->canRead) return -1;
  const MemFile& from = *h->file;
  if (h->position >= from.size()) return 0;
  const uint64_t left = from.size() - h->position;
  const uint32_t count = left < size ? static_cast<uint32_t>(left) : size;
  std::memcpy(buffer, from.data() + h->position, count);
  h->position += count;
  return count;
}

int64_t Write(File file, const void* buffer, uint32_t size) {
  Store& s = TheStore();
  std::lock_guard<std::mutex> hold(s.lock);
  Handle* h = Find(s, file);
  if (!h || !h->canWrite) return -1;
  std::vector<uint8_t>& bytes = h->file->bytes;
  const uint8_t* from = static_cast<const uint8_t*>(buffer);
  if (h->position == bytes.size()) {
    bytes.insert(bytes.end(), from, from + size);
  } else {
    if (bytes.size() < h->position + size) bytes.resize(h->position + size);
    if (size) std::memcpy(bytes.data() + h->position, from, size);
  }
  h->position += size;
  return size;
}

bool Seek(File file, uint64_t offset) {
  Store& s = TheStore();
  std::lock_guard<std::mutex> hold(s.lock);
  Handle* h = Find(s, file);
  if (!h) return false;
  h->position = offset;
  return true;
}

int64_t Size(File file) {
  Store& s = TheStore();
  std::lock_guard<std::mutex> hold(s.lock);
  Handle* h = Find(s, file);
  return h ? static_cast<int64_t>(h->file->size()) : -1;
}

bool SetLastWriteTime(File file, uint64_t fileTime) {
  Store& s = TheStore();
  std::lock_guard<std::mutex> hold(s.lock);
  Handle* h = Find(s, file);
  if (!h || !h->canWrite) return false;
  h->file->lastWriteTime = fileTime;
  return true;
}

// Nothing runs in memory: a child process or thread never starts, and no
// folder is made to run one from.
bool RunProcessAndWait(const wchar_t*, const wchar_t*, const wchar_t*) { return false; }
bool RunHeldProcessAndWait(File, const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*) {
  return false;
}
bool CreateRunFolder(wchar_t* folder, size_t units) {
  if (units) folder[0] = 0;
  return false;
}
void SleepMilliseconds(uint32_t) {}
void PauseAfterFile() {}
void* StartThread(unsigned (*)(void*)) { return nullptr; }
Signal CreateSignal() { return nullptr; }
void RaiseSignal(Signal) {}
void WaitSignal(Signal) {}
bool SeveralProcessors() { return false; }
void SetThreadPriorityNormal() {}

namespace mem {

void Reset() {
  Store& s = TheStore();
  std::lock_guard<std::mutex> hold(s.lock);
  s.files.clear();
  s.folders.clear();
  s.handles.clear();
  s.written.clear();
}

void PutFolder(const wchar_t* path) {
  Store& s = TheStore();
  std::lock_guard<std::mutex> hold(s.lock);
  MakeFolders(s, ResolvePath(path));
}

void PutFile(const wchar_t* path, const uint8_t* bytes, size_t size) {
  Store& s = TheStore();
  std::lock_guard<std::mutex> hold(s.lock);
  const std::wstring name = ResolvePath(path);
  MakeFolders(s, Parent(name));
  auto file = std::make_shared<MemFile>();
  file->put = bytes;
  file->putSize = size;
  s.files[name] = file;
}

bool ReadFile(const wchar_t* path, std::vector<uint8_t>* out) {
  Store& s = TheStore();
  std::lock_guard<std::mutex> hold(s.lock);
  auto it = s.files.find(ResolvePath(path));
  if (it == s.files.end()) return false;
  out->assign(it->second->data(), it->second->data() + it->second->size());
  return true;
}

std::vector<std::wstring> WrittenPaths() {
  Store& s = TheStore();
  std::lock_guard<std::mutex> hold(s.lock);
  return s.written;
}

std::wstring Resolve(const wchar_t* path) { return ResolvePath(path); }

}  // namespace mem

}  // namespace os
