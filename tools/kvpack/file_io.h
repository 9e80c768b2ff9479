// kvpack's own file calls, where the builder needs more than the engine's OS
// layer gives: exclusive creation, flushing to the disk, replacing a file,
// file times by path, and error texts that say what went wrong ("no space
// left on device"). One POSIX half (file_io_posix.cpp) and one Win32 half
// (file_io_win.cpp); paths are std::filesystem paths (wide on Windows).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace kvpack::io {

namespace fs = std::filesystem;

// An open file, closed when it goes out of scope. Failing calls set *error
// to a short lower-case reason.
class File {
 public:
  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // An existing file for reading.
  bool OpenRead(const fs::path& path, std::string* error);
  // A new file for writing; fails when the name exists.
  bool CreateNew(const fs::path& path, std::string* error);
  // The same for a temporary file that must not outlive an interrupted
  // build: on Windows it is deleted when its handle closes unless Keep() was
  // called (so even a killed process leaves nothing: keep only once every
  // file is written); on POSIX it is deleted when SIGINT, SIGTERM or SIGHUP
  // ends the process before ForgetTemporaries().
  bool CreateTemporary(const fs::path& path, std::string* error);
  bool Keep(std::string* error);
  bool ok() const { return handle_ != kNone; }

  // Reads exactly size bytes; a short file is an error.
  bool Read(void* buffer, size_t size, std::string* error);
  bool Write(const void* data, size_t size, std::string* error);
  // Makes what was written durable before a rename publishes it.
  bool FlushToDisk(std::string* error);
  bool Close(std::string* error);

 private:
  static constexpr intptr_t kNone = -1;
  intptr_t handle_ = kNone;
};

// Ends the interrupt cleanup of every temporary file made so far (after they
// have been renamed into place or removed).
void ForgetTemporaries();

// Hold off SIGINT, SIGTERM and SIGHUP (on Windows Ctrl+C, Ctrl+Break and the
// console's closing) while the files of a package are put in place or that is
// undone: a half-placed package is neither the earlier nor the new one. One
// that arrives meanwhile takes effect at ReleaseInterrupts(). Not nested.
void HoldInterrupts();
void ReleaseInterrupts();

// Renames from to to, replacing to when it exists.
bool MoveOver(const fs::path& from, const fs::path& to, std::string* error);
// Deletes a file, a read-only one too (files copied from a disc are); true
// when it is gone, also when there was none. False with *error otherwise.
bool RemoveFile(const fs::path& path, std::string* error);
bool Exists(const fs::path& path);

// A file's last-write time as a FILETIME (100 ns since 1601-01-01 UTC);
// false when it cannot be read.
bool LastWriteTime(const fs::path& path, uint64_t* fileTime);
bool SetLastWriteTime(const fs::path& path, uint64_t fileTime);

// True when standard error is a terminal (a console window on Windows), where
// the progress bar is drawn.
bool StandardErrorIsTerminal();

}  // namespace kvpack::io
