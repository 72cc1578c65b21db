#include "library/launch_shell/launch_shell.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <future>

#include "library/launch_shell/shell_operations_detail.h"
#include "tests/support/registry_value_support.h"
#include "tests/support/test_support.h"

using vxtest::PathExists;
using vxtest::TempFolder;
using vxtest::WriteFileBytes;

namespace {

// Works the folder dialog the calling thread is about to show, as a user would:
// types path and confirms, or closes it. False when no dialog came up.
std::future<bool> WorkDialog(std::wstring path = L"") {
  return std::async(std::launch::async, [path, thread = ::GetCurrentThreadId()] {
    HWND dialog = nullptr;
    for (int i = 0; i < 400 && !dialog; ++i) {
      ::Sleep(50);
      for (HWND w = nullptr; !dialog && (w = ::FindWindowExW(nullptr, w, L"#32770", nullptr));) {
        if (::GetWindowThreadProcessId(w, nullptr) == thread && ::IsWindowVisible(w)) dialog = w;
      }
    }
    if (!dialog) return false;
    ::Sleep(300);  // let the dialog finish filling itself
    if (!path.empty()) {
      ::SetDlgItemTextW(dialog, 1152, path.c_str());  // the name field
      ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK)));
      for (int i = 0; i < 60 && ::IsWindow(dialog); ++i) ::Sleep(50);
    }
    if (::IsWindow(dialog)) ::PostMessageW(dialog, WM_CLOSE, 0, 0);
    return true;
  });
}

}  // namespace

TEST(PickFolder, CancelledChosenAndUnusableStartFolder) {
  fw::com_init com;
  TempFolder start(L"vxpickstart");
  TempFolder chosen(L"vxpickchosen");
  const struct {
    std::wstring start, choose, output;
    HRESULT result;
  } cases[] = {
      {start.path(), L"", L"", E_ABORT},  // the dialog closed
      {start.path(), chosen.path(), chosen.path(), S_OK},
      // A start folder the shell cannot name: the user may still choose, but
      // the result tells that the start folder was not set.
      {start / L"none", chosen.path(), chosen.path(), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)},
  };
  for (const auto& c : cases) {
    std::wstring output = L"left from before";
    std::future<bool> dialog = WorkDialog(c.choose);
    EXPECT_EQ(PickFolder(0, L"", c.start, output), c.result);
    EXPECT_TRUE(dialog.get());
    EXPECT_EQ(output, c.output);
  }
}

TEST(DeleteWithShell, FileFolderWildcardMissingAndEmbeddedNul) {
  TempFolder folder(L"vxdel");
  const std::wstring tree = folder / L"tree";
  ASSERT_TRUE(::CreateDirectoryW(tree.c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryW((tree + L"\\sub").c_str(), nullptr));
  WriteFileBytes(tree + L"\\sub\\two.log", "2");
  WriteFileBytes(folder / L"a.txt", "a");
  WriteFileBytes(folder / L"b.txt", "b");

  EXPECT_FALSE(DeleteWithShell(folder / L"*.txt"));
  EXPECT_FALSE(DeleteWithShell(folder / L"missing.txt"));
  EXPECT_FALSE(DeleteWithShell(L""));
  EXPECT_TRUE(PathExists(folder / L"a.txt"));
  EXPECT_TRUE(PathExists(folder / L"b.txt"));

  // Only the text before an embedded NUL is a path, not a second list entry.
  EXPECT_TRUE(DeleteWithShell(folder / L"a.txt" + L'\0' + (folder / L"b.txt")));
  EXPECT_FALSE(PathExists(folder / L"a.txt"));
  EXPECT_TRUE(PathExists(folder / L"b.txt"));
  EXPECT_TRUE(DeleteWithShell(tree));
  EXPECT_FALSE(PathExists(tree));
  EXPECT_TRUE(vxtest::PathIsFolder(folder.path()));
}

TEST(CreateShortcut, LinkReadsBackWithWhatWasGiven) {
  fw::com_init com;
  TempFolder folder(L"vxlnk");
  const std::wstring target = folder / L"tool.exe";
  const std::wstring linkPath = folder / L"Tool.lnk";
  // The shell link answers a target it cannot find with S_FALSE, passed on.
  EXPECT_EQ(CreateShortcut(target.c_str(), linkPath.c_str(), nullptr, L"d", 0), S_FALSE);
  EXPECT_FALSE(PathExists(linkPath));
  EXPECT_EQ(CreateShortcut(nullptr, linkPath.c_str(), nullptr, L"d", 0), E_POINTER);
  WriteFileBytes(target, "MZ");

  const struct {
    const wchar_t* working;
    const wchar_t* description;
    int icon;
  } cases[] = {{folder.path().c_str(), L"Diagnostics tool", 2}, {nullptr, L"", -1}};
  for (const auto& c : cases) {
    ASSERT_EQ(CreateShortcut(target.c_str(), linkPath.c_str(), c.working, c.description, c.icon),
              S_OK);
    fw::com_ptr<IShellLinkW> link;
    fw::com_ptr<IPersistFile> file;
    ASSERT_EQ(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                 __uuidof(IShellLinkW), link.put_void()),
              S_OK);
    ASSERT_EQ(link.query_to(file), S_OK);
    ASSERT_EQ(file->Load(linkPath.c_str(), STGM_READ), S_OK);
    wchar_t text[4][MAX_PATH] = {};
    int iconIndex = -99;
    link->GetPath(text[0], MAX_PATH, nullptr, SLGP_RAWPATH);
    link->GetWorkingDirectory(text[1], MAX_PATH);
    link->GetDescription(text[2], MAX_PATH);
    link->GetIconLocation(text[3], MAX_PATH, &iconIndex);
    EXPECT_EQ(fw::CompareNoCase(text[0], target), 0) << vxtest::WideToUtf8(text[0]);
    EXPECT_EQ(std::wstring(text[1]), c.working ? c.working : L"");
    EXPECT_EQ(std::wstring(text[2]), c.description);
    // Index -1 sets no icon at all.
    EXPECT_EQ(fw::CompareNoCase(text[3], c.icon < 0 ? L"" : target), 0)
        << vxtest::WideToUtf8(text[3]);
    EXPECT_EQ(iconIndex, c.icon < 0 ? 0 : c.icon);
  }
}

TEST(ParseShellPath, ExistingMissingAndTooLongPaths) {
  TempFolder folder(L"vxparse");
  const std::wstring file = folder / L"doc.txt";
  WriteFileBytes(file, "x");
  PIDLIST_RELATIVE list = nullptr;
  ASSERT_EQ(ParseShellPath(nullptr, file, &list), S_OK);
  fw::unique_cotaskmem owner(list);
  wchar_t back[MAX_PATH] = {};
  ASSERT_TRUE(::SHGetPathFromIDListW(static_cast<PCIDLIST_ABSOLUTE>(list), back));
  EXPECT_EQ(fw::CompareNoCase(back, file), 0) << vxtest::WideToUtf8(back);

  // A path is parsed whole or not at all: 259 units still go to the parser,
  // 260 and more are refused before it, and the output is not written.
  EXPECT_TRUE(vxlib::detail::FitsParseBuffer(std::wstring(259, L'a')));
  const auto sentinel = reinterpret_cast<PIDLIST_RELATIVE>(static_cast<UINT_PTR>(0x1234));
  list = sentinel;
  EXPECT_EQ(ParseShellPath(nullptr, L"C:\\" + std::wstring(257, L'a'), &list),
            HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE));
  EXPECT_EQ(list, sentinel);
}

TEST(OpenWithShell, AssociatedProgramIsStartedWithTheFile) {
  // A file type of the test's own whose "open" starts the recording double.
  vxtest::ScratchKey extension(HKEY_LOCAL_MACHINE, L"Software\\Classes\\.vxopenrecord");
  vxtest::ScratchKey type(HKEY_LOCAL_MACHINE, L"Software\\Classes\\VxTest.OpenRecord");
  ASSERT_TRUE(vxtest::SetText(HKEY_LOCAL_MACHINE, extension.path(), L"", L"VxTest.OpenRecord"));
  ASSERT_TRUE(vxtest::SetText(HKEY_LOCAL_MACHINE, type.path() + L"\\shell\\open\\command", L"",
                              L"\"" + vxtest::BinPath(L"shell_open_recorder.exe") + L"\" \"%1\""));
  TempFolder folder(L"vxopen");
  const std::wstring document = folder / L"report one.vxopenrecord";
  WriteFileBytes(document, "x");
  const std::wstring logPath = folder / L"opened.log";
  vxtest::ScopedEnv log(L"VX_SHELL_OPEN_LOG", logPath);

  EXPECT_TRUE(OpenWithShell(document.c_str()));
  std::string record;
  for (int i = 0; i < 300 && record.find("end\n") == std::string::npos; ++i) {
    ::Sleep(50);
    if (PathExists(logPath)) record = vxtest::ReadFileBytes(logPath);
  }
  EXPECT_EQ(record, "argv[1]=" + vxtest::WideToUtf8(document) + "\nend\n");

  // Nothing can open these; that is not reported.
  EXPECT_TRUE(OpenWithShell((folder / L"missing.vxnothing").c_str()));
  EXPECT_TRUE(OpenWithShell(nullptr));
}
