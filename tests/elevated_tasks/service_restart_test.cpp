// The launcher service restart through the real pipe, against the fake
// "CORVANTALauncher" registered in the service manager; and the service
// routine called directly.

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

using namespace vxtest;

namespace {

constexpr wchar_t kService[] = L"CORVANTALauncher";

// One ElevatedTasks session whose console output is captured; Finish()
// quits it and returns everything it printed.
class Session {
 public:
  Session() : server_(StartElevatedTasksForThisProcess(true)), pipe_(ConnectPipe()) {
    EXPECT_TRUE(pipe_);
  }
  HANDLE pipe() const { return pipe_.get(); }
  std::string Finish() {
    RoundTrip(pipe_.get(), Quit);
    pipe_.reset();
    std::string output = ReadAllOutput(server_);
    EXPECT_EQ(WaitExit(server_, 10000), 0u);
    return output;
  }

 private:
  Child server_;
  fw::unique_hfile pipe_;
};

TEST(ServiceRestart, StoppedServiceStopFailsWithLineThenStarts) {
  TempFolder temp(L"vxsvc");
  ScopedFakeService service(kService, 0, false, temp / L"service.log");
  ASSERT_TRUE(service.ok());
  ASSERT_EQ(service.State(), static_cast<DWORD>(SERVICE_STOPPED));

  Session session;
  RoundTrip(session.pipe(), LauncherServiceRestart);
  EXPECT_TRUE(service.WaitForState(SERVICE_RUNNING, 10000));
  EXPECT_EQ(session.Finish(), "ControlService failed (1062)\r\n");
  EXPECT_EQ(ReadFileBytes(temp / L"service.log"), "start\n");
}

TEST(ServiceRestart, RunningServiceIsAskedToStopWithoutAnyLine) {
  TempFolder temp(L"vxsvc");
  ScopedFakeService service(kService, 0, false, temp / L"service.log");
  ASSERT_TRUE(service.Start());

  Session session;
  RoundTrip(session.pipe(), LauncherServiceRestart);
  EXPECT_EQ(session.Finish(), "");
  // The start races the service's own shut-down: it happens only when the
  // stop has got far enough by the second status query.
  const std::string log = ReadFileBytes(temp / L"service.log");
  EXPECT_TRUE(log == "start\nstop\n" || log == "start\nstop\nstart\n") << log;
}

TEST(ServiceRestart, SlowStoppingServiceEndsStoppedAndIsNotStarted) {
  TempFolder temp(L"vxsvc");
  ScopedFakeService service(kService, 3000, false, temp / L"service.log");
  ASSERT_TRUE(service.Start());

  Session session;
  RoundTrip(session.pipe(), LauncherServiceRestart);
  // The acknowledgement does not wait for the stop to finish.
  EXPECT_EQ(service.State(), static_cast<DWORD>(SERVICE_STOP_PENDING));
  EXPECT_TRUE(service.WaitForState(SERVICE_STOPPED, 15000));
  EXPECT_EQ(session.Finish(), "");
  EXPECT_EQ(ReadFileBytes(temp / L"service.log"), "start\nstop\n");
}

TEST(ServiceRestart, AbsentServiceDoesNothingAndPrintsNothing) {
  Session session;
  RoundTrip(session.pipe(), LauncherServiceRestart);
  RoundTrip(session.pipe(), Done);
  EXPECT_EQ(session.Finish(), "");
}

TEST(StartOrStopService, ResultsForEachStateAndRequest) {
  const std::wstring name = L"VxTestServiceDirect";
  ScopedFakeService service(name, 0);
  ASSERT_TRUE(service.ok());
  EXPECT_FALSE(StartOrStopService(name, ServiceStop)) << "stop of a stopped service";
  EXPECT_TRUE(StartOrStopService(name, ServiceStart)) << "start of a stopped service";
  ASSERT_TRUE(service.WaitForState(SERVICE_RUNNING, 10000));
  EXPECT_FALSE(StartOrStopService(name, ServiceStart)) << "start of a running service";
  EXPECT_FALSE(StartOrStopService(name, 0)) << "no control";
  EXPECT_FALSE(StartOrStopService(name, 3)) << "unknown control";
  EXPECT_EQ(service.State(), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_TRUE(StartOrStopService(name, ServiceStop)) << "stop of a running service";
  EXPECT_TRUE(service.WaitForState(SERVICE_STOPPED, 10000));
  EXPECT_FALSE(StartOrStopService(L"VxNoSuchService", ServiceStart));
  EXPECT_FALSE(StartOrStopService(L"VxNoSuchService", ServiceStop));
}

}  // namespace
