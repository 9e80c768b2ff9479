// A one-line progress bar on standard error, drawn only when standard error
// is a terminal (a Windows console for kvpack.exe); otherwise every call does
// nothing.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace kvpack {

class ProgressBar {
 public:
  explicit ProgressBar(std::string label);
  ~ProgressBar();  // ends the line
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  void Update(uint64_t done, uint64_t total);

 private:
  std::string label_;
  bool active_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point last_{};
};

}  // namespace kvpack
