#include <gtest/gtest.h>

#include <memory>

#include "elevated_tasks/command_text.h"
#include "tests/support/test_support.h"
#include "library/launch_shell/launch_shell.h"
#include "tools/etctl_status.h"

using namespace etctl;

TEST(EtctlStatus, TextJsonAndFailuresFromAnyRecord) {
  StatusReport report;
  report.debugDir = {true, true, REG_SZ, L"C:\\a \"b\"\n\x00e9\xd83d\xde00\x7f", true};
  report.lnkagtDebugDir.error = ERROR_ACCESS_DENIED;
  report.traceFolder = {L"C:\\R\\Quillforge", true, true};
  report.traceFile = {L"C:\\R\\Quillforge\\qlfvxPerfData.etl", true, false, 5ull << 32};
  report.traceFile.modified = {0x256d4000, 0x01bf53eb};  // 2000-01-01 00:00:00 UTC
  report.service = {true, SERVICE_RUNNING};
  report.pipe = {true, true};
  EXPECT_EQ(StatusText(report),
            L"DebugDir: \"" + report.debugDir.text +
                L"\" [folder exists]\n"
                L"LNKAGTDebugDir: (unreadable: error 5)\n"
                L"trace folder: C:\\R\\Quillforge (folder exists)\n"
                L"trace file: C:\\R\\Quillforge\\qlfvxPerfData.etl (exists, 21474836480 bytes, "
                L"modified 2000-01-01 00:00:00 UTC)\n"
                L"service CORVANTALauncher: running\n"
                L"pipe \\\\.\\pipe\\VxToElevatedExePipe: present, a client is connected\n");
  EXPECT_EQ(StatusJson(report),
            LR"({"DebugDir":{"state":"set","data":"C:\\a \"b\"\n\u00e9\ud83d\ude00\u007f",)"
            LR"("folderExists":true},"LNKAGTDebugDir":{"state":"unreadable","error":5},)"
            LR"("traceFolder":{"path":"C:\\R\\Quillforge","exists":true,"folder":true},)"
            LR"("traceFile":{"path":"C:\\R\\Quillforge\\qlfvxPerfData.etl","exists":true,)"
            LR"("size":21474836480,"modified":"2000-01-01T00:00:00Z"},)"
            LR"("service":{"name":"CORVANTALauncher","installed":true,"state":"running"},)"
            LR"("pipe":{"name":"\\\\.\\pipe\\VxToElevatedExePipe","exists":true,"busy":true},)"
            LR"("failures":["LNKAGTDebugDir: error 5"]})"
            L"\n");

  StatusReport other, failed;
  other.debugDir = {true, true, REG_DWORD, L"", false};
  EXPECT_EQ(StatusJson(other).rfind(LR"({"DebugDir":{"state":"not a text","type":4},)", 0), 0u);
  failed.traceFolder.error = failed.traceFile.error = failed.service.error = failed.pipe.error = 6;
  EXPECT_EQ(
      StatusFailures(failed),
      (std::vector<std::wstring>{L"the trace folder: error 6", L"the trace file: error 6",
                                 L"the service CORVANTALauncher: error 6", L"the pipe: error 6"}));
}

TEST(EtctlStatus, LooksWithoutConnectingOrChangingAnything) {
  ASSERT_TRUE(vxtest::WaitUntilNoProcess(L"qlfvxET.exe", 10000));
  vxtest::ScratchKey product(HKEY_LOCAL_MACHINE, ProductSettingsKey);
  StatusReport seen = ObserveStatus();
  EXPECT_FALSE(seen.debugDir.keyExists || seen.service.installed || seen.pipe.exists);
  EXPECT_TRUE(StatusFailures(seen).empty());

  vxtest::TempFolder scratch(L"status");
  ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, ProductSettingsKey, L"DebugDir", REG_SZ,
                    scratch.path().c_str(), static_cast<DWORD>(scratch.path().size() * 2 + 2));
  // An odd size: the reader's room must exceed the data's own units.
  ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, ProductSettingsKey, L"LNKAGTDebugDir", REG_BINARY, "four",
                    5);
  vxtest::ScopedFakeService service(elevated::detail::kLauncherServiceName, 0);
  ASSERT_TRUE(service.ok());
  DWORD error = 0;
  const std::wstring folder = TraceFolder(error), trace = folder + L"\\" + kTraceFileName;
  ::CreateDirectoryW(folder.c_str(), nullptr);
  vxtest::WriteFileBytes(trace, "12345");
  const std::unique_ptr<const wchar_t, decltype(&::DeleteFileW)> removeTrace(trace.c_str(),
                                                                             &::DeleteFileW);
  fw::unique_handle pipe(::CreateNamedPipeW(kPipeName, PIPE_ACCESS_DUPLEX, PIPE_TYPE_MESSAGE, 1,
                                            524, 524, 0, nullptr));
  ASSERT_NE(pipe.get(), INVALID_HANDLE_VALUE);

  seen = ObserveStatus();
  EXPECT_TRUE(seen.pipe.exists && !seen.pipe.busy);

  fw::unique_hfile client;
  ConnectElevatedTasks(2000, client, vxtest::BinPath(L"etctl_status_test.exe"));
  ASSERT_TRUE(client);
  const std::wstring program = L"\"" + vxtest::BinPath(L"qlfvxETctl.exe") + L"\" status";
  const std::string text = "DebugDir: \"" + vxtest::WideToUtf8(scratch.path()) +
                           "\" [folder exists]\nLNKAGTDebugDir: (not a text: type 3)\n"
                           "trace folder: " +
                           vxtest::WideToUtf8(folder) +
                           " (folder exists)\ntrace file: " + vxtest::WideToUtf8(trace) +
                           " (exists, 5 bytes, modified ";
  for (const auto& [arguments, code, part] :
       {std::tuple{L" --json", 0u, R"(,"exists":true,"busy":true},"failures":[]})"},
        std::tuple{L"", 0u, text.c_str()},
        std::tuple{L"", 0u, "service CORVANTALauncher: stopped\n"},
        std::tuple{L" --jsn", 2u, "qlfvxETctl: status: unknown option: --jsn"}}) {
    vxtest::Child child = vxtest::StartChild(program + arguments, true);
    const std::string output = vxtest::OutputAndExit(child);
    EXPECT_TRUE(output.find(part) != output.npos &&
                output.ends_with("exit " + std::to_string(code)))
        << output;
  }
}
