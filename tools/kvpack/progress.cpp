// The terminal progress bar of kvpack's long verbs (at most ten redraws a
// second, so it costs nothing measurable).
#include "progress.h"

#include <cstdio>

#include "file_io.h"

namespace kvpack {

ProgressBar::ProgressBar(std::string label) : label_(std::move(label)), active_(io::StandardErrorIsTerminal()) {}

ProgressBar::~ProgressBar() {
  if (drawn_) std::fputc('\n', stderr);
}

void ProgressBar::Update(uint64_t done, uint64_t total) {
  if (!active_) return;
  auto now = std::chrono::steady_clock::now();
  if (drawn_ && done < total && now - last_ < std::chrono::milliseconds(100)) return;
  last_ = now;
  constexpr int kWidth = 40;
  int filled = total ? static_cast<int>((done > total ? total : done) * kWidth / total) : kWidth;
  char bar[kWidth + 1];
  for (int i = 0; i < kWidth; ++i) bar[i] = i < filled ? '#' : '.';
  bar[kWidth] = 0;
  std::fprintf(stderr, "\r%s [%s] %3d%% %llu MiB", label_.c_str(), bar, filled * 100 / kWidth,
               static_cast<unsigned long long>(done >> 20));
  std::fflush(stderr);
  drawn_ = true;
}

}  // namespace kvpack
