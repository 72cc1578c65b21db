#include <gtest/gtest.h>

#include <memory>
#include <nlohmann/json.hpp>

#include "elevated_tasks/command_text.h"
#include "tests/support/test_support.h"
#include "library/launch_shell/launch_shell.h"
#include "tools/etctl_status.h"

using namespace etctl;
using Json = nlohmann::json;

TEST(EtctlStatus, TextJsonAndFailuresFromAnyRecord) {
  StatusReport report, failed;
  // 2-, 3- and 4-byte UTF-8, then lone surrogates (U+FFFD in JSON): before a unit, alone, at end.
  report.debugDir = {true, true, REG_SZ,
                     L"C:\\a \"b\"\n\x00e9\x07ff\x0800\xd83d\xde00\x7f\xd800x\xdc00\xd83d", true};
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
  const std::wstring line = StatusJson(report);
  EXPECT_TRUE(line.find(L'\n') == line.size() - 1 &&  // one line, of ASCII
              vxtest::WideToUtf8(line).size() == line.size());
  EXPECT_EQ(Json::parse(vxtest::WideToUtf8(line)), Json::parse(R"({"DebugDir":{"state":"set","data":
    "C:\\a \"b\"\n\u00e9\u07ff\u0800\ud83d\ude00\u007f\ufffdx\ufffd\ufffd","folderExists":true},
    "LNKAGTDebugDir":{"state":"unreadable","error":5},"traceFolder":{"path":"C:\\R\\Quillforge",
    "exists":true,"folder":true},"traceFile":{"path":"C:\\R\\Quillforge\\qlfvxPerfData.etl",
    "exists":true,"size":21474836480,"modified":"2000-01-01T00:00:00Z"},"service":{"name":
    "CORVANTALauncher","installed":true,"state":"running"},"pipe":{"name":
    "\\\\.\\pipe\\VxToElevatedExePipe","exists":true,"busy":true},"failures":[
    "LNKAGTDebugDir: error 5"]})"));

  failed.debugDir = {true, true, REG_DWORD, L"", false};  // not a text: no failure
  failed.traceFolder.error = failed.traceFile.error = failed.service.error = failed.pipe.error = 6;
  EXPECT_EQ(Json::parse(vxtest::WideToUtf8(StatusJson(failed))), Json::parse(R"({"DebugDir":{
    "state":"not a text","type":4},"LNKAGTDebugDir":{"state":"no key"},"traceFolder":{"path":"",
    "error":6},"traceFile":{"path":"","error":6},"service":{"name":"CORVANTALauncher","error":6},
    "pipe":{"name":"\\\\.\\pipe\\VxToElevatedExePipe","error":6},"failures":[
    "the trace folder: error 6","the trace file: error 6","the service CORVANTALauncher: error 6",
    "the pipe: error 6"]})"));
}

TEST(EtctlStatus, LooksWithoutConnectingOrChangingAnything) {
  ASSERT_TRUE(vxtest::WaitUntilNoProcess(L"qlfvxET.exe", 10000));
  vxtest::ScratchKey product(HKEY_LOCAL_MACHINE, ProductSettingsKey);
  StatusReport seen = ObserveStatus();
  EXPECT_FALSE(seen.debugDir.keyExists || seen.service.installed || seen.pipe.exists);

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
  const std::string text =
      "DebugDir: \"" + vxtest::WideToUtf8(scratch.path()) +
      "\" [folder exists]\nLNKAGTDebugDir: (not a text: type 3)\ntrace folder: " +
      vxtest::WideToUtf8(folder) + " (folder exists)\ntrace file: " + vxtest::WideToUtf8(trace) +
      " (exists, 5 bytes, modified ";
  for (const auto& [arguments, code, part] :
       {std::tuple{L"", 0u, text.c_str()},
        std::tuple{L" --json", 0u, R"("exists":true,"busy":true},"failures":[]})"},
        std::tuple{L" --jsn", 2u, "qlfvxETctl: status: unknown option: --jsn"}}) {
    vxtest::Child child = vxtest::StartChild(program + arguments, true);
    const std::string output = vxtest::OutputAndExit(child);
    EXPECT_TRUE(output.find(part) != output.npos &&
                output.ends_with("exit " + std::to_string(code)))
        << output;
  }
}
