// The launcher service restart through the real pipe, against the fake
// "CORVANTALauncher" in the service manager, logging its starts and stops.

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

using namespace vxtest;

namespace {

class ServiceRestart : public ::testing::TestWithParam<DWORD> {
 protected:
  std::string Log() { return ReadFileBytes(temp_ / L"service.log"); }

  TempFolder temp_{L"vxsvc"};
  ScopedFakeService service_{L"CORVANTALauncher", GetParam(), false, temp_ / L"service.log"};
  Session session_{true};  // console captured
};

using StoppingAtOnce = ServiceRestart;
using StoppingSlowly = ServiceRestart;

TEST_P(StoppingAtOnce, StoppedServiceStopFailsWithLineThenStarts) {
  RoundTrip(session_.pipe.get(), LauncherServiceRestart);
  EXPECT_TRUE(service_.WaitForState(SERVICE_RUNNING, 10000));
  EXPECT_EQ(session_.Finish(), "ControlService failed (1062)\r\n");
  EXPECT_EQ(Log(), "start\n");
}

// The acknowledgement does not wait for the stop, and a service still
// stopping is not started again. The stop takes far longer than the moment
// between the acknowledgement and the look at the state, however busy the
// machine.
TEST_P(StoppingSlowly, SlowStoppingServiceEndsStoppedAndIsNotStarted) {
  ASSERT_TRUE(service_.Start());
  RoundTrip(session_.pipe.get(), LauncherServiceRestart);
  EXPECT_EQ(service_.State(), static_cast<DWORD>(SERVICE_STOP_PENDING));
  EXPECT_TRUE(service_.WaitForState(SERVICE_STOPPED, 30000));
  EXPECT_EQ(session_.Finish(), "");
  EXPECT_EQ(Log(), "start\nstop\n");
}

INSTANTIATE_TEST_SUITE_P(Fake, StoppingAtOnce, ::testing::Values(0));
INSTANTIATE_TEST_SUITE_P(Fake, StoppingSlowly, ::testing::Values(10000));

TEST(ServiceRestartWithoutService, DoesNothingAndPrintsNothing) {
  Session session(true);
  RoundTrip(session.pipe.get(), LauncherServiceRestart);
  RoundTrip(session.pipe.get(), Done);
  EXPECT_EQ(session.Finish(), "");
}

// The routine's own answer, which the restart does not look at.
TEST(StartOrStopService, TellsWhetherAStartWasMade) {
  ScopedFakeService service(L"VxTestService", 0);
  EXPECT_TRUE(StartOrStopService(L"VxTestService", ServiceStart));
  EXPECT_TRUE(service.WaitForState(SERVICE_RUNNING, 10000));
  EXPECT_FALSE(StartOrStopService(L"VxTestService", ServiceStart));  // already running
  EXPECT_FALSE(StartOrStopService(L"VxTestNoSuchService", ServiceStop));
}

}  // namespace
