// The digest thread of the extraction (see digest_thread.h): started on the
// first post, it then waits for the next job for as long as the process runs.
// It shares with the extracting thread only the job below, its state word and
// two signals, raised once per post and once per job the thread ran. A job
// the thread has not taken when it is collected is taken back and run by the
// extracting thread itself, so that a busy processor never leaves the
// extraction waiting for a thread that is not running.
#include "digest_thread.h"

#include <atomic>

#include "os_layer.h"

namespace {

struct DigestJob {
  Sha256* context = nullptr;
  const void* data = nullptr;
  size_t length = 0;
  Sha256* contextB = nullptr;  // a second update, when not null
  const void* dataB = nullptr;
  size_t lengthB = 0;
};

// The job's fields are written only while no job is open, before its state
// is published as posted; the thread reads them only after taking it.
DigestJob job;
enum : int { kPosted, kTaken, kDone, kTakenBack };
std::atomic<int> jobState{kDone};
os::Signal jobPosted = nullptr, jobDone = nullptr;  // raised once per post / per job taken
enum : int { kNotTried, kRunning, kUnavailable };
std::atomic<int> threadState{kNotTried};
bool open = false;  // the extracting thread's own: a job is posted and not collected

void RunJob(const DigestJob& j) {
  if (j.contextB)
    Sha256UpdateTwo(j.context, j.data, j.length, j.contextB, j.dataB, j.lengthB);
  else
    Sha256Update(j.context, j.data, j.length);
}

// How long either side looks at the state word before it sleeps (some 100
// microseconds): a wake-up through the scheduler costs tens of microseconds,
// as much as hashing or writing a small file, and the other side is usually
// about to finish. With one processor the other side cannot run meanwhile,
// so each side looks once.
constexpr int kLooksBeforeSleeping = 200000;

bool Reaches(int wanted) {
  static const int looks = os::SeveralProcessors() ? kLooksBeforeSleeping : 0;
  for (int i = 0;; ++i) {  // at least one look: a waiter woken decides by it
    if (jobState.load(std::memory_order_acquire) == wanted) return true;
    if (i >= looks) return false;
  }
}

unsigned DigestThread(void*) {
  for (;;) {
    // A raise that is left over when a job was taken without sleeping makes
    // one more round here, which finds no job posted.
    if (!Reaches(kPosted)) os::WaitSignal(jobPosted);
    int expected = kPosted;
    if (!jobState.compare_exchange_strong(expected, kTaken, std::memory_order_acq_rel))
      continue;  // taken back already, or a raise left over from such a job
    RunJob(job);
    jobState.store(kDone, std::memory_order_release);
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
  PostDigestUpdates(context, data, length, nullptr, nullptr, 0);
}

void PostDigestUpdates(Sha256* contextA, const void* dataA, size_t lengthA, Sha256* contextB,
                       const void* dataB, size_t lengthB) {
  CollectDigestUpdate();
  const DigestJob posted{contextA, dataA, lengthA, contextB, dataB, lengthB};
  if (!DigestThreadRunning()) {
    RunJob(posted);
    return;
  }
  job = posted;
  jobState.store(kPosted, std::memory_order_release);
  open = true;
  os::RaiseSignal(jobPosted);
}

void CollectDigestUpdate() {
  if (!open) return;
  open = false;
  int expected = kPosted;
  if (jobState.compare_exchange_strong(expected, kTakenBack, std::memory_order_acq_rel)) {
    RunJob(job);
    return;
  }
  // The thread took it. Its raise for this job, or one left over from a job
  // seen done without sleeping, ends a wait: the state word decides.
  while (!Reaches(kDone)) os::WaitSignal(jobDone);
}
