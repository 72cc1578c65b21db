// The checked build keeps its checks: each fault the double commits on purpose
// ends it there, and passes in a plain build.

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

using namespace vxtest;

TEST(CheckedBuild, FaultsEndTheProgramOnlyWhenChecked) {
#ifdef VX_CHECKED
  const DWORD trap = EXCEPTION_ILLEGAL_INSTRUCTION, failedCheck = 3;  // abort()
#else
  const DWORD trap = 0, failedCheck = 0;
#endif
  for (const auto& [fault, expected] : {std::pair{L"overflow", trap}, std::pair{L"bounds", trap},
                                        std::pair{L"vector", failedCheck}}) {
    Running child{StartChild(L"\"" + BinPath(L"checked_fault.exe") + L"\" " + fault)};
    EXPECT_EQ(WaitExit(child, 30000), expected) << WideToUtf8(fault);
  }
}
