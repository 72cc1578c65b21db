// The service restart through the pipe, against a fake "CORVANTALauncher".

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

using namespace vxtest;

namespace {

// The fake service, its stop taking stopDelayMs, and ElevatedTasks serving this test.
struct ServiceRestart {
  explicit ServiceRestart(DWORD stopDelayMs) : service{L"CORVANTALauncher", stopDelayMs, log} {}
  TempFolder temp{L"vxsvc"};
  const std::wstring log = temp / L"service.log";
  ScopedFakeService service;
  Session session{true};  // console captured
};

TEST(ServiceRestart, StoppedServiceStopFailsWithLineThenStarts) {
  ServiceRestart restart(0);
  RoundTrip(restart.session.pipe.get(), LauncherServiceRestart);
  EXPECT_TRUE(restart.service.WaitForState(SERVICE_RUNNING, 10000));
  EXPECT_EQ(restart.session.Finish(), "ControlService failed (1062)\r\n");
  EXPECT_EQ(ReadFileBytes(restart.log), "start\n");
  // The routine's own answer, which the restart does not look at: was a start made?
  EXPECT_FALSE(StartOrStopService(L"CORVANTALauncher", ServiceStart));  // already running
  EXPECT_FALSE(StartOrStopService(L"VxTestNoSuchService", ServiceStop));
}

// The reply does not wait for the stop, and a stopping service is not started
// again. The 10 s stop outlasts the look at its state, however busy the machine.
TEST(ServiceRestart, SlowStoppingServiceEndsStoppedAndIsNotStarted) {
  ServiceRestart restart(10000);
  ASSERT_TRUE(StartOrStopService(L"CORVANTALauncher", ServiceStart));
  ASSERT_TRUE(restart.service.WaitForState(SERVICE_RUNNING, 10000));
  RoundTrip(restart.session.pipe.get(), LauncherServiceRestart);
  EXPECT_EQ(restart.service.State(), static_cast<DWORD>(SERVICE_STOP_PENDING));
  EXPECT_TRUE(restart.service.WaitForState(SERVICE_STOPPED, 30000));
  EXPECT_EQ(restart.session.Finish(), "");
  EXPECT_EQ(ReadFileBytes(restart.log), "start\nstop\n");
}

TEST(ServiceRestartWithoutService, DoesNothingAndPrintsNothing) {
  Session session(true);
  RoundTrip(session.pipe.get(), LauncherServiceRestart);
  EXPECT_EQ(session.Finish(), "");  // and still serving
}

}  // namespace
