// The stack protector's guard and failure routines (-fstack-protector-strong,
// _FORTIFY_SOURCE), in place of libssp's. libssp seeds its guard in a
// constructor through CryptAcquireContextW, which loads a cryptographic
// provider and, with it, user32, version and a dozen more DLLs before wmain
// runs: before a program can restrict where DLLs come from, and at a cost to
// every start. This guard is seeded as the C runtime seeds its /GS cookie,
// from the clock, the ids and the performance counter, plus where the image
// was placed, without loading anything. No header declares these names: the
// compiler's checks call them, and the linker takes them from here.

#if !defined(_MSC_VER)

#include <windows.h>

#include <cstdint>

extern "C" {

uintptr_t __stack_chk_guard = 0x2B992DDFA232ULL;

// Ends the process at once, running nothing of its own: past an overwritten
// frame, no handler or destructor can be trusted.
__attribute__((noreturn)) void __stack_chk_fail() {
  ::TerminateProcess(::GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
  __builtin_unreachable();
}

// A checked routine (__memcpy_chk, ...) found its destination too small.
__attribute__((noreturn)) void __chk_fail() { __stack_chk_fail(); }

}  // extern "C"

namespace {

// First of the constructors, before wmain: no function checked by the guard
// is running yet, and this one must not be checked either, since the guard
// changes under it.
__attribute__((constructor(101), no_stack_protector)) void SeedStackGuard() {
  FILETIME time = {};
  ::GetSystemTimeAsFileTime(&time);
  LARGE_INTEGER counter = {};
  ::QueryPerformanceCounter(&counter);
  uintptr_t seed = (uintptr_t{time.dwHighDateTime} << 32 | time.dwLowDateTime) ^
                   ::GetCurrentProcessId() ^ (uintptr_t{::GetCurrentThreadId()} << 24) ^
                   ::GetTickCount64() ^ static_cast<uintptr_t>(counter.QuadPart) ^
                   reinterpret_cast<uintptr_t>(&__stack_chk_guard) ^ __builtin_ia32_rdtsc();
  // A zero byte first stops a string overflow from copying the guard back unchanged.
  __stack_chk_guard = seed & ~uintptr_t{0xFF};
}

}  // namespace

#endif
