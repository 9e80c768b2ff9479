// The canary of gcc's stack protector (-fstack-protector-strong) and what
// ends the program when a canary or a fortified call (_FORTIFY_SOURCE) finds
// an overrun, for the Windows programs. gcc's libssp has the same three
// symbols, but its canary comes from CryptGenRandom and its failure path
// opens files: four more DLL functions in every program; these add only
// IsProcessorFeaturePresent (Windows XP and later) to what the programs
// import anyway, so libssp serves just the fortified calls.
#include <windows.h>
#include <x86intrin.h>

#include <cstdint>

extern "C" {

// Set before any C or C++ initializer runs (below) and never changed after.
uintptr_t __stack_chk_guard = 0;

// Nothing may run that takes its course from the damaged stack. Where fast
// fail exists (Windows 8 and later), int 0x29 ends the process in the kernel
// at once. Where it does not (Windows 7), int 0x29 is an ordinary exception:
// its dispatch walks the SEH chain, whose records lie on this very stack and
// may be the attacker's (the images carry no SafeSEH table), and abort()
// would run the C runtime's signal handling. TerminateProcess on the process
// itself runs no exception handler, no DLL detach and no atexit code, and
// the two calls push fresh frames below this one: only the caller's frames
// are damaged. It does not return for the current process; the loop makes
// that a guarantee rather than an assumption.
[[noreturn]] void __stack_chk_fail() {
  if (IsProcessorFeaturePresent(PF_FASTFAIL_AVAILABLE))
    __asm__ volatile("int $0x29" : : "c"(FAST_FAIL_STACK_COOKIE_CHECK_FAILURE));
  for (;;) TerminateProcess(GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
}

[[noreturn]] void __chk_fail() { __stack_chk_fail(); }

}  // extern "C"

namespace {

// Unknown to an attacker outside the process: the cycle counter, the time,
// the process and thread ids, and where ASLR put the stack. The lowest byte
// stays zero so that a string overrun cannot copy the canary as it is. Not
// protected itself: its own canary would change under it.
__attribute__((no_stack_protector)) void __cdecl SetStackGuard() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  uint64_t mix = __rdtsc() ^ (uint64_t(now.dwHighDateTime) << 32 | now.dwLowDateTime);
  mix ^= uint64_t(GetCurrentProcessId()) << 40 ^ uint64_t(GetCurrentThreadId()) << 16;
  mix ^= reinterpret_cast<uintptr_t>(&now);
  mix *= 0x9E3779B97F4A7C15ull;  // spreads every input bit over the word
  uintptr_t guard = static_cast<uintptr_t>(mix >> 32 ^ mix) & ~uintptr_t(0xFF);
  __stack_chk_guard = guard != 0 ? guard : uintptr_t(0x5A17C300);
}

// The C runtime calls the .CRT$XI* pointers before C++ constructors and
// main; none of its own code that runs earlier is built with the protector.
__attribute__((section(".CRT$XIB"), used)) void(__cdecl* const setStackGuard)() = SetStackGuard;

}  // namespace
