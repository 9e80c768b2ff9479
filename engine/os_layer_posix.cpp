// POSIX half of the OS layer, for the native tools and tests: the engine's
// Windows-style wide paths become UTF-8 paths with '/' separators.
#include "os_layer.h"
#include "utf8_append.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace os {

namespace {

// UTF-32 (or UTF-16 surrogate pairs, should they appear) to UTF-8, '\\' -> '/'.
std::string Native(const wchar_t* path) {
  std::string out;
  for (size_t i = 0; path[i] != 0; ++i) {
    uint32_t c = static_cast<uint32_t>(path[i]);
    if (c >= 0xD800 && c < 0xDC00 && path[i + 1] >= 0xDC00 && path[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<uint32_t>(path[i + 1]) - 0xDC00);
      ++i;
    }
    if (c == '\\') c = '/';
    AppendUtf8(out, c);
  }
  return out;
}

int Fd(File f) { return static_cast<int>(f); }

// 100 ns intervals between 1601-01-01 and 1970-01-01.

}  // namespace

bool PathExists(const wchar_t* path) {
  struct stat st;
  return stat(Native(path).c_str(), &st) == 0;
}
bool CreateFolder(const wchar_t* path) { return mkdir(Native(path).c_str(), 0755) == 0; }
bool CreateAdminFolder(const wchar_t* path) {
  struct stat st;
  return CreateFolder(path) || (stat(Native(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode));
}
bool RemoveFolder(const wchar_t* path) { return rmdir(Native(path).c_str()) == 0; }
bool RemoveFile(const wchar_t* path) { return unlink(Native(path).c_str()) == 0; }
bool MoveOver(const wchar_t* from, const wchar_t* to) {
  return rename(Native(from).c_str(), Native(to).c_str()) == 0;
}

File OpenForRead(const wchar_t* path) {
  int fd = open(Native(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return kNoFile;
  struct stat st;
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    close(fd);
    return kNoFile;
  }
  return fd;
}
File CreateForWrite(const wchar_t* path) {
  int fd = open(Native(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  return fd < 0 ? kNoFile : fd;
}
File CreateForReadWrite(const wchar_t* path) {
  int fd = open(Native(path).c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  return fd < 0 ? kNoFile : fd;
}
void Close(File file) {
  if (file != kNoFile) close(Fd(file));
}

int64_t Read(File file, void* buffer, uint32_t size) {
  uint64_t done = 0;
  while (done < size) {
    ssize_t n = read(Fd(file), static_cast<char*>(buffer) + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    done += static_cast<uint64_t>(n);
  }
  return static_cast<int64_t>(done);
}
int64_t Write(File file, const void* buffer, uint32_t size) {
  uint64_t done = 0;
  while (done < size) {
    ssize_t n = write(Fd(file), static_cast<const char*>(buffer) + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return done ? static_cast<int64_t>(done) : -1;
    done += static_cast<uint64_t>(n);
  }
  return static_cast<int64_t>(done);
}
bool Seek(File file, uint64_t offset) {
  return lseek(Fd(file), static_cast<off_t>(offset), SEEK_SET) >= 0;
}
int64_t Size(File file) {
  struct stat st;
  if (fstat(Fd(file), &st) != 0) return -1;
  return st.st_size;
}
bool SetLastWriteTime(File file, uint64_t fileTime) {
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  int64_t since1970 = static_cast<int64_t>(fileTime - kUnixEpochAsFileTime);
  int64_t seconds = since1970 / 10000000;
  int64_t rest = since1970 % 10000000;
  if (rest < 0) {
    rest += 10000000;
    seconds -= 1;
  }
  times[1].tv_sec = static_cast<time_t>(seconds);
  times[1].tv_nsec = static_cast<long>(rest * 100);
  return futimens(Fd(file), times) == 0;
}

namespace {

bool SpawnAndWait(const wchar_t* applicationPath, const wchar_t* commandLine,
                  const wchar_t* currentFolder) {
  // The command line's first word is the program; the rest are blank-separated
  // arguments (the engine's command lines quote only the program path).
  std::string line = Native(commandLine);
  std::vector<std::string> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && line[i] == ' ') ++i;
    if (i >= line.size()) break;
    std::string word;
    if (line[i] == '"') {
      size_t end = line.find('"', i + 1);
      if (end == std::string::npos) end = line.size();
      word = line.substr(i + 1, end - i - 1);
      i = end + 1;
    } else {
      size_t end = line.find(' ', i);
      if (end == std::string::npos) end = line.size();
      word = line.substr(i, end - i);
      i = end;
    }
    words.push_back(word);
  }
  if (words.empty()) return false;
  std::string program = applicationPath ? Native(applicationPath) : words[0];
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return false;
  pid_t pid;
  const bool started =
      (currentFolder == nullptr ||
       posix_spawn_file_actions_addchdir_np(&actions, Native(currentFolder).c_str()) == 0) &&
      posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  if (!started) return false;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  // posix_spawn reports a failed exec as exit status 127 of the child.
  return !(WIFEXITED(status) && WEXITSTATUS(status) == 127);
}

}  // namespace

bool RunProcessAndWait(const wchar_t* applicationPath, const wchar_t* commandLine,
                       const wchar_t* /*title*/) {
  return SpawnAndWait(applicationPath, commandLine, nullptr);
}

// Nothing here keeps a writer out (the native tools run no elevated child):
// the program is started by its path.
bool RunHeldProcessAndWait(File, const wchar_t* applicationPath, const wchar_t* commandLine,
                           const wchar_t* /*title*/, const wchar_t* currentFolder) {
  return SpawnAndWait(applicationPath, commandLine, currentFolder);
}

// mkdtemp's folder (mode 0700) under /tmp, whose sticky bit keeps others from
// renaming it; an ASCII name, so it widens unit by unit.
bool CreateRunFolder(wchar_t* folder, size_t units) {
  char pattern[] = "/tmp/kvsetup-run.XXXXXX";
  if (units < sizeof pattern || mkdtemp(pattern) == nullptr) return false;
  for (size_t i = 0; i < sizeof pattern; ++i) folder[i] = static_cast<unsigned char>(pattern[i]);
  return true;
}

void SleepMilliseconds(uint32_t ms) {
  struct timespec t = {static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000};
  while (nanosleep(&t, &t) != 0 && errno == EINTR) {
  }
}

void PauseAfterFile() { SleepMilliseconds(1); }

void* StartThread(unsigned (*body)(void*)) {
  try {
    std::thread t(body, nullptr);
    t.detach();
  } catch (...) {
    return nullptr;
  }
  // A POSIX thread has no handle to keep; any non-null value says "started".
  return reinterpret_cast<void*>(body);
}

namespace {
// An auto-reset event, as the Win32 half's.
struct PosixSignal {
  std::mutex lock;
  std::condition_variable changed;
  bool raised = false;
};
}  // namespace

Signal CreateSignal() { return new (std::nothrow) PosixSignal; }
void RaiseSignal(Signal signal) {
  PosixSignal* s = static_cast<PosixSignal*>(signal);
  {
    std::lock_guard<std::mutex> hold(s->lock);
    s->raised = true;
  }
  s->changed.notify_one();
}
void WaitSignal(Signal signal) {
  PosixSignal* s = static_cast<PosixSignal*>(signal);
  std::unique_lock<std::mutex> hold(s->lock);
  s->changed.wait(hold, [s] { return s->raised; });
  s->raised = false;
}

bool SeveralProcessors() { return sysconf(_SC_NPROCESSORS_ONLN) > 1; }

void SetThreadPriorityNormal() {}

}  // namespace os
