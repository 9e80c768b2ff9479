// The digest thread of the extraction (see digest_thread.h): started on the
// first post, it then waits for the next job for as long as the process runs.
// It shares with the extracting thread only the job below and two signals,
// whose raise and wait order the job's memory between them.
#include "digest_thread.h"

#include <atomic>

#include "os_layer.h"

namespace {

struct DigestJob {
  Sha256* context = nullptr;
  const void* data = nullptr;
  size_t length = 0;
};

DigestJob job;  // written by the extracting thread before jobPosted is raised
os::Signal jobPosted = nullptr, jobDone = nullptr;
enum : int { kNotTried, kRunning, kUnavailable };
std::atomic<int> threadState{kNotTried};
bool open = false;  // the extracting thread's own: a job is posted and not collected

unsigned DigestThread(void*) {
  for (;;) {
    os::WaitSignal(jobPosted);
    Sha256Update(job.context, job.data, job.length);
    os::RaiseSignal(jobDone);
  }
}

// Where the thread or its signals cannot be made, the updates run inline:
// slower, never different.
bool DigestThreadRunning() {
  int state = threadState.load(std::memory_order_acquire);
  if (state == kNotTried) {
    jobPosted = os::CreateSignal();
    jobDone = os::CreateSignal();
    state = jobPosted && jobDone && os::StartThread(DigestThread) ? kRunning : kUnavailable;
    threadState.store(state, std::memory_order_release);
  }
  return state == kRunning;
}

}  // namespace

void PostDigestUpdate(Sha256* context, const void* data, size_t length) {
  CollectDigestUpdate();
  if (!DigestThreadRunning()) {
    Sha256Update(context, data, length);
    return;
  }
  job = DigestJob{context, data, length};
  open = true;
  os::RaiseSignal(jobPosted);
}

void CollectDigestUpdate() {
  if (!open) return;
  os::WaitSignal(jobDone);
  open = false;
}
