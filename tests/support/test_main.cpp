// The entry of every test program (wide, like the product's programs).

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "framework/handles.h"

int wmain(int argc, wchar_t* argv[]) {
  // Unbuffered, so that a crash under Wine still leaves what was printed.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  // Every process started from here, directly or through the programs under
  // test, joins this job and is ended with it when this program ends in any
  // way, a crash or a kill included: nothing outlives the test, and nothing
  // keeps the runner waiting on an output handle it inherited.
  const fw::unique_handle job(::CreateJobObjectW(nullptr, nullptr));
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!job ||
      !::SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                                 sizeof(limits)) ||
      !::AssignProcessToJobObject(job.get(), ::GetCurrentProcess())) {
    std::fprintf(stderr, "cannot put the test program in a job: %lu\n", ::GetLastError());
    return 1;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
