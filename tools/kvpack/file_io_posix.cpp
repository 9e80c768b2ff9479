// POSIX half of kvpack's file calls.
#include "file_io.h"

#include "engine/os_layer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace kvpack::io {

namespace {

using os::kUnixEpochAsFileTime;

// The same words as the Win32 half for the errors a build meets most.
std::string Reason(int code) {
  switch (code) {
    case ENOSPC: return "no space left on device";
    case EDQUOT: return "disk quota exceeded";
    case EFBIG: return "file too large for this file system or limit";
    case EACCES:
    case EPERM: return "permission denied";
    case ENOENT: return "no such file or folder";
    case EEXIST: return "file exists";
    case EROFS: return "read-only file system";
    case EIO: return "input/output error";
    default: {
      std::string text = std::strerror(code);
      if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
      return text;
    }
  }
}

bool Fail(std::string* error) {
  *error = Reason(errno);
  return false;
}

// Temporary files to delete when a signal ends the build: fixed storage, so
// the handler only reads memory and calls unlink.
constexpr int kMaxTemporaries = 40;
char temporaryPaths[kMaxTemporaries][4096];
volatile sig_atomic_t temporaryCount = 0;

void DeleteTemporariesAndDie(int signal) {
  for (sig_atomic_t i = 0; i < temporaryCount; ++i) unlink(temporaryPaths[i]);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

void RememberTemporary(const fs::path& path) {
  static bool handlersSet = false;
  if (!handlersSet) {
    handlersSet = true;
    for (int s : {SIGINT, SIGTERM, SIGHUP}) {
      struct sigaction old;
      // A signal the caller ignores (nohup) stays ignored.
      if (sigaction(s, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
      struct sigaction act = {};
      act.sa_handler = DeleteTemporariesAndDie;
      sigemptyset(&act.sa_mask);
      sigaction(s, &act, nullptr);
    }
  }
  const std::string& text = path.native();
  if (temporaryCount >= kMaxTemporaries || text.size() >= sizeof temporaryPaths[0]) return;
  std::memcpy(temporaryPaths[temporaryCount], text.c_str(), text.size() + 1);
  temporaryCount = temporaryCount + 1;  // published after the path is complete
}

sigset_t InterruptSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&set, s);
  return set;
}

sigset_t maskBeforeHold;

}  // namespace

void HoldInterrupts() {
  sigset_t held = InterruptSignals();
  sigprocmask(SIG_BLOCK, &held, &maskBeforeHold);
}

void ReleaseInterrupts() { sigprocmask(SIG_SETMASK, &maskBeforeHold, nullptr); }

File::~File() {
  if (handle_ != kNone) close(static_cast<int>(handle_));
}
File::File(File&& other) noexcept : handle_(other.handle_) { other.handle_ = kNone; }
File& File::operator=(File&& other) noexcept {
  std::swap(handle_, other.handle_);
  return *this;
}

bool File::OpenRead(const fs::path& path, std::string* error) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Fail(error);
  handle_ = fd;
  return true;
}

bool File::CreateNew(const fs::path& path, std::string* error) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return Fail(error);
  handle_ = fd;
  return true;
}

bool File::CreateTemporary(const fs::path& path, std::string* error) {
  // A signal between the creation and the record would leave the file.
  sigset_t held = InterruptSignals(), before;
  sigprocmask(SIG_BLOCK, &held, &before);
  const bool made = CreateNew(path, error);
  if (made) RememberTemporary(path);
  sigprocmask(SIG_SETMASK, &before, nullptr);
  return made;
}

bool File::Keep(std::string*) { return true; }

void ForgetTemporaries() { temporaryCount = 0; }

bool File::Read(void* buffer, size_t size, std::string* error) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = read(static_cast<int>(handle_), static_cast<char*>(buffer) + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Fail(error);
    if (n == 0) {
      *error = "the file is shorter than when it was scanned";
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

bool File::Write(const void* data, size_t size, std::string* error) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = write(static_cast<int>(handle_), static_cast<const char*>(data) + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Fail(error);
    done += static_cast<size_t>(n);
  }
  return true;
}

bool File::FlushToDisk(std::string* error) {
  return fsync(static_cast<int>(handle_)) == 0 || Fail(error);
}

bool File::Close(std::string* error) {
  int fd = static_cast<int>(handle_);
  handle_ = kNone;
  return close(fd) == 0 || Fail(error);
}

bool MoveOver(const fs::path& from, const fs::path& to, std::string* error) {
  if (rename(from.c_str(), to.c_str()) != 0) return Fail(error);
  // The rename itself lives in the folder; flush it too (best effort).
  int dir = open(to.parent_path().empty() ? "." : to.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
  return true;
}

bool RemoveFile(const fs::path& path, std::string* error) {
  return unlink(path.c_str()) == 0 || errno == ENOENT || Fail(error);
}

bool Exists(const fs::path& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

bool LastWriteTime(const fs::path& path, uint64_t* fileTime) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return false;
  int64_t ticks = static_cast<int64_t>(st.st_mtim.tv_sec) * 10000000 + st.st_mtim.tv_nsec / 100;
  // Times before 1601 cannot be expressed; they become the earliest FILETIME.
  *fileTime = ticks < -static_cast<int64_t>(kUnixEpochAsFileTime) ? 0 : kUnixEpochAsFileTime + ticks;
  return true;
}

bool SetLastWriteTime(const fs::path& path, uint64_t fileTime) {
  struct timespec times[2];
  int64_t since1970 = static_cast<int64_t>(fileTime - kUnixEpochAsFileTime);
  int64_t seconds = since1970 / 10000000, rest = since1970 % 10000000;
  if (rest < 0) rest += 10000000, seconds -= 1;
  times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(seconds);
  times[0].tv_nsec = times[1].tv_nsec = static_cast<long>(rest * 100);
  return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

bool StandardErrorIsTerminal() { return isatty(2) == 1; }

}  // namespace kvpack::io
