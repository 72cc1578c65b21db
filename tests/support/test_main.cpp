// The entry of every test program (wide, like the product's programs).

#include <gtest/gtest.h>

#include <cstdio>

#include "tests/support/test_support.h"

namespace {

// Every process started from here, directly or not, joins this job. Not
// kill-on-close: under Wine 8 that also ends the desktop process, which the
// next test would start again, holding the runner's output pipe.
fw::unique_handle testJob;

// Ends every process of the job but this one, again for those that a dying
// parent started meanwhile. Wine lists a job's ids wrongly, so each process
// is asked whether it is in the job.
void EndStartedProcesses() {
  bool ended = true;
  for (int round = 0; ended && round < 10; ++round) {
    ended = false;
    vxtest::ForEachProcess([&](const PROCESSENTRY32W& entry) {
      fw::unique_handle process(::OpenProcess(
          PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
      BOOL inJob = FALSE;
      if (entry.th32ProcessID != ::GetCurrentProcessId() && process &&
          ::IsProcessInJob(process.get(), testJob.get(), &inJob) && inJob &&
          ::TerminateProcess(process.get(), 99)) {
        ::WaitForSingleObject(process.get(), 5000);
        ended = true;
      }
    });
  }
}

// A crash fails the program at once and takes what it started with it, so
// that no left-over child keeps the runner waiting on an inherited handle.
LONG WINAPI OnCrash(EXCEPTION_POINTERS* exception) {
  std::fprintf(stderr, "test program crashed: exception 0x%08lX at %p\n",
               exception->ExceptionRecord->ExceptionCode,
               exception->ExceptionRecord->ExceptionAddress);
  EndStartedProcesses();
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

int wmain(int argc, wchar_t* argv[]) {
  // Unbuffered, so that a crash under Wine still leaves what was printed.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  testJob.reset(::CreateJobObjectW(nullptr, nullptr));
  if (!testJob || !::AssignProcessToJobObject(testJob.get(), ::GetCurrentProcess())) {
    std::fprintf(stderr, "cannot put the test program in a job: %lu\n", ::GetLastError());
    return 1;
  }
  ::SetUnhandledExceptionFilter(OnCrash);
  ::testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  EndStartedProcesses();
  return result;
}
