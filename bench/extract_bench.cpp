// Extraction and package building against tar on the same files and the same
// file system: `kvpack extract` (the engine's ExtractPackage, in process) vs
// `tar -x`, and `kvpack build` vs `tar -c`, in interleaved runs. The 1 ms
// pauses that extraction makes after each file are counted and timed apart.
// A bound extraction (the package's own binding in force, as a bound
// KVSetup.exe runs it) is set against an unbound one, both without pauses.
//   kvbench [--scale F] [--runs N] [--work DIR]
// F = 1 (default) is about 1 GiB in about 3,300 files; 0.01 suits CI.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/statfs.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench.h"
#include "engine/extraction.h"
#include "engine/install_state.h"
#include "engine/package_binding.h"
#include "engine/package_reader.h"
#include "tools/kvpack/package_check.h"
#include "tools/kvpack/sample.h"

namespace fs = std::filesystem;

// The engine's pause (os::PauseAfterFile) ends in nanosleep; this
// definition takes the engine's calls, so they can be counted and timed.
namespace {
std::atomic<bool> countPauses{false};
std::atomic<bool> skipPauses{false};  // diagnostic run: pauses return at once
std::atomic<uint64_t> pauseCount{0};
std::atomic<uint64_t> pauseNanos{0};

double Now() {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}
}  // namespace

extern "C" int nanosleep(const struct timespec* request, struct timespec* remaining) {
  if (countPauses.load() && skipPauses.load()) {
    pauseCount.fetch_add(1);
    return 0;
  }
  const double start = countPauses.load() ? Now() : 0;
  const int error = clock_nanosleep(CLOCK_MONOTONIC, 0, request, remaining);
  if (countPauses.load()) {
    pauseCount.fetch_add(1);
    pauseNanos.fetch_add(static_cast<uint64_t>((Now() - start) * 1e9));
  }
  if (error != 0) {
    errno = error;
    return -1;
  }
  return 0;
}

namespace {

struct Options {
  double scale = 1.0;
  int runs = 5;
  fs::path work;
};

Options ParseOptions(int argc, char** argv) {
  Options o;
  const char* tmp = std::getenv("TMPDIR");
  o.work = fs::path(tmp && *tmp ? tmp : "/tmp") / ("kvbench." + std::to_string(getpid()));
  for (int i = 1; i + 1 < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--scale") o.scale = std::atof(argv[++i]);
    else if (a == "--runs") o.runs = std::max(1, std::atoi(argv[++i]));
    else if (a == "--work") o.work = fs::path(argv[++i]) / ("kvbench." + std::to_string(getpid()));
  }
  if (!(o.scale > 0)) o.scale = 1.0;
  return o;
}

struct Sample {
  double wall = 0;   // seconds
  double user = 0;   // user CPU seconds
  double system = 0;
  double pauses = 0;  // seconds spent in the engine's pauses
  uint64_t pauseCount = 0;
};

double Seconds(const struct timeval& t) { return double(t.tv_sec) + double(t.tv_usec) * 1e-6; }

// Runs a program with its output discarded; wall and CPU times from wait4.
Sample RunProgram(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  Sample s;
  const double start = Now();
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
    std::fprintf(stderr, "kvbench: cannot start %s\n", argv[0]);
    std::exit(1);
  }
  int status = 0;
  struct rusage usage;
  while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  s.wall = Now() - start;
  posix_spawn_file_actions_destroy(&actions);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "kvbench: %s failed\n", argv[0]);
    std::exit(1);
  }
  s.user = Seconds(usage.ru_utime);
  s.system = Seconds(usage.ru_stime);
  return s;
}

// OpenSetupPackage + ExtractPackage in this process, as `kvpack extract` runs
// them; with binding (a bound block) in force when given.
Sample RunExtraction(const fs::path& pkgDir, const fs::path& installDir, bool pauses = true,
                     const uint8_t* binding = nullptr) {
  skipPauses.store(!pauses);
  if (binding && !UsePackageBinding(binding)) {
    std::fprintf(stderr, "kvbench: the package's binding block is not bound\n");
    std::exit(1);
  }
  ResetInstallState();
  const std::wstring setup = pkgDir.wstring(), install = installDir.wstring();
  std::wcsncpy(installState.setupDir, setup.c_str(), kPathUnits - 1);
  std::wcsncpy(installState.installDir, install.c_str(), kPathUnits - 1);
  installState.featureFlags.store(7);
  installState.runFlag.store(1);
  struct rusage before, after;
  getrusage(RUSAGE_SELF, &before);
  pauseCount.store(0);
  pauseNanos.store(0);
  countPauses.store(true);
  const double start = Now();
  int open = OpenSetupPackage();
  int extract = open == 0 ? ExtractPackage() : 0;
  ClosePackageFile();
  Sample s;
  s.wall = Now() - start;
  ClearPackageBinding();
  countPauses.store(false);
  getrusage(RUSAGE_SELF, &after);
  if (open != 0 || extract != 0) {
    std::fprintf(stderr, "kvbench: extraction failed (open %d, extract %d)\n", open, extract);
    std::exit(1);
  }
  s.user = Seconds(after.ru_utime) - Seconds(before.ru_utime);
  s.system = Seconds(after.ru_stime) - Seconds(before.ru_stime);
  s.pauseCount = pauseCount.load();
  s.pauses = double(pauseNanos.load()) * 1e-9;
  return s;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

template <typename F>
std::vector<double> Field(const std::vector<Sample>& samples, F f) {
  std::vector<double> out;
  for (const Sample& s : samples) out.push_back(f(s));
  return out;
}

// Starts every timed run from the same state: the previous output gone and
// written back, so no run pays for another's dirty pages.
void Settle(const fs::path& output) {
  std::error_code ec;
  fs::remove_all(output, ec);
  sync();
}

uint64_t TreeBytes(const fs::path& root, uint64_t* files) {
  uint64_t bytes = 0;
  *files = 0;
  for (const auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file()) {
      bytes += e.file_size();
      ++*files;
    }
  return bytes;
}

fs::path KvpackPath() {
  // kvbench lives in <build>/bench, kvpack at <build>/kvpack.
  return fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "kvpack";
}

std::string FileSystemOf(const fs::path& path) {
  struct statfs s;
  if (statfs(path.c_str(), &s) != 0) return "unknown";
  switch (s.f_type) {
    case 0xEF53: return "ext4";
    case 0x01021994: return "tmpfs";
    case 0x9123683E: return "btrfs";
    case 0x58465342: return "xfs";
    case 0x794C7630: return "overlayfs";
    default: {
      char text[32];
      std::snprintf(text, sizeof text, "fs 0x%lx", static_cast<unsigned long>(s.f_type));
      return text;
    }
  }
}

}  // namespace

void RunExtractBenchmarks(int argc, char** argv) {
  const Options o = ParseOptions(argc, argv);
  const fs::path kvpack = KvpackPath();
  if (!fs::exists(kvpack)) {
    std::printf("extract: skipped, %s not built\n", kvpack.c_str());
    return;
  }
  fs::create_directories(o.work);
  const fs::path staging = o.work / "staging", pkgDir = o.work / "pkg", tarFile = o.work / "files.tar";
  const fs::path ours = o.work / "installed", theirs = o.work / "untarred";

  kvpack::SampleOptions sample;
  sample.songs = 1000;
  sample.fonts = 100;
  sample.mrFiles = 2000;
  sample.scale = static_cast<uint64_t>(o.scale * double(1ull << 30));
  std::string error;
  if (!kvpack::WriteSample(staging, sample, &error)) {
    std::fprintf(stderr, "kvbench: %s\n", error.c_str());
    std::exit(1);
  }
  uint64_t files = 0;
  const uint64_t bytes = TreeBytes(staging, &files);
  const double gb = double(bytes) / 1e9;
  std::printf("\nextract and build: %.3f GB in %llu files (scale %g), %d interleaved runs each,\n"
              "  %s at %s\n",
              gb, static_cast<unsigned long long>(files), o.scale, o.runs,
              FileSystemOf(o.work).c_str(), o.work.c_str());

  // Build: kvpack build vs tar -c of the staging tree, alternating the order.
  std::vector<Sample> build, tarC;
  for (int run = 0; run < o.runs; ++run) {
    for (int side = 0; side < 2; ++side) {
      const bool oursFirst = run % 2 == 0;
      if ((side == 0) == oursFirst) {
        Settle(pkgDir);
        build.push_back(RunProgram({kvpack.string(), "build", staging.string(), pkgDir.string()}));
      } else {
        Settle(tarFile);
        tarC.push_back(RunProgram({"tar", "-cf", tarFile.string(), "-C", staging.string(), "."}));
      }
    }
  }

  // Extraction: ExtractPackage vs tar -x into the same file system.
  // A third side skips the pauses, to tell the cost of the extraction's own
  // work from what the pauses cost beyond their own time (caches and the
  // processor going cold while the thread sleeps).
  // A fourth side runs the bound extraction without pauses, against the
  // third's unbound one.
  const kvpack::VerifyReport bound = kvpack::VerifyPackage(pkgDir, {}, kvpack::BindingPass{true, nullptr});
  if (!bound.sound()) {
    std::fprintf(stderr, "kvbench: the sample package is not sound\n");
    std::exit(1);
  }
  std::vector<Sample> extract, extractNoPause, boundNoPause, tarX;
  for (int run = 0; run < o.runs; ++run) {
    for (int side = 0; side < 4; ++side) {
      const int which = (side + run) % 4;
      if (which == 0) {
        Settle(ours);
        extract.push_back(RunExtraction(pkgDir, ours));
      } else if (which == 1) {
        Settle(ours);
        extractNoPause.push_back(RunExtraction(pkgDir, ours, false));
      } else if (which == 2) {
        Settle(ours);
        boundNoPause.push_back(RunExtraction(pkgDir, ours, false, bound.binding.data()));
      } else {
        Settle(theirs);
        fs::create_directories(theirs);
        tarX.push_back(RunProgram({"tar", "-xf", tarFile.string(), "-C", theirs.string()}));
      }
    }
  }

  auto wall = [](const Sample& s) { return s.wall; };
  auto user = [](const Sample& s) { return s.user; };
  auto sys = [](const Sample& s) { return s.system; };
  auto work = [](const Sample& s) { return s.wall - s.pauses; };
  auto pauses = [](const Sample& s) { return s.pauses; };
  auto count = [](const Sample& s) { return double(s.pauseCount); };

  const double extractWork = Median(Field(extract, work));
  const double tarXWall = Median(Field(tarX, wall));
  std::printf("  kvpack extract   wall %7.3f s, of which %.0f pauses of 1 ms took %.3f s;\n"
              "                   without pauses %7.3f s, user %.3f s/GB, system %.3f s/GB\n",
              Median(Field(extract, wall)), Median(Field(extract, count)),
              Median(Field(extract, pauses)), extractWork, Median(Field(extract, user)) / gb,
              Median(Field(extract, sys)) / gb);
  std::printf("  extract, pauses skipped (diagnostic): wall %.3f s, user %.3f s/GB, system %.3f s/GB\n",
              Median(Field(extractNoPause, wall)), Median(Field(extractNoPause, user)) / gb,
              Median(Field(extractNoPause, sys)) / gb);
  const double unboundWall = Median(Field(extractNoPause, wall));
  const double boundWall = Median(Field(boundNoPause, wall));
  std::printf("  bound extract, pauses skipped: wall %.3f s, user %.3f s/GB, system %.3f s/GB\n", boundWall,
              Median(Field(boundNoPause, user)) / gb, Median(Field(boundNoPause, sys)) / gb);
  std::printf("  ratio bound / unbound extraction (pauses skipped): %.2f   (goal <= 1.3)\n",
              boundWall / unboundWall);
  // Processor time, which other load on the machine disturbs less than wall.
  auto cpu = [](const Sample& s) { return s.user + s.system; };
  std::printf("  ratio bound / unbound processor time (user + system): %.2f\n",
              Median(Field(boundNoPause, cpu)) / Median(Field(extractNoPause, cpu)));
  std::printf("  tar -x           wall %7.3f s, user %.3f s/GB, system %.3f s/GB\n", tarXWall,
              Median(Field(tarX, user)) / gb, Median(Field(tarX, sys)) / gb);
  std::printf("  ratio (extract without pauses) / tar -x: %.2f   (goal <= 1.1)\n",
              extractWork / tarXWall);

  const double buildWall = Median(Field(build, wall));
  const double tarCWall = Median(Field(tarC, wall));
  std::printf("  kvpack build     wall %7.3f s, user %.3f s/GB, system %.3f s/GB\n", buildWall,
              Median(Field(build, user)) / gb, Median(Field(build, sys)) / gb);
  std::printf("  tar -c           wall %7.3f s, user %.3f s/GB, system %.3f s/GB\n", tarCWall,
              Median(Field(tarC, user)) / gb, Median(Field(tarC, sys)) / gb);
  std::printf("  ratio kvpack build / tar -c: %.2f   (goal <= 1.1)\n", buildWall / tarCWall);

  std::error_code ec;
  fs::remove_all(o.work, ec);
}
