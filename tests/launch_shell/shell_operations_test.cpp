// The shell operations against Wine's shell: real files, links, dialogs and
// file associations.

#include "library/launch_shell/launch_shell.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include "library/launch_shell/shell_operations_detail.h"
#include "tests/support/dialog_support.h"
#include "tests/support/test_support.h"

using vxtest::DialogDriver;
using vxtest::TempFolder;

TEST(PickFolder, CancelledDialogGivesEAbortAndEmptyOutput) {
  fw::com_init com;
  TempFolder folder(L"vxpick");
  std::wstring output = L"left from before";
  DialogDriver driver(DialogDriver::Action::Close);
  EXPECT_EQ(PickFolder(0, L"", folder.path(), output), E_ABORT);
  EXPECT_TRUE(driver.FoundDialog());
  EXPECT_EQ(output, L"");
}

TEST(PickFolder, ChosenFolderComesBack) {
  fw::com_init com;
  TempFolder start(L"vxpickstart");
  TempFolder chosen(L"vxpickchosen");
  std::wstring output;
  DialogDriver driver(DialogDriver::Action::ChoosePath, chosen.path());
  EXPECT_EQ(PickFolder(0, L"", start.path(), output), S_OK);
  EXPECT_TRUE(driver.FoundDialog());
  EXPECT_EQ(output, chosen.path());
}

// A start folder the shell cannot name: the user may still choose, and gets
// the path, but the result tells that the start folder was not set.
TEST(PickFolder, UnusableStartFolderStillGivesTheChosenPath) {
  fw::com_init com;
  TempFolder chosen(L"vxpickchosen");
  std::wstring output;
  DialogDriver driver(DialogDriver::Action::ChoosePath, chosen.path());
  const HRESULT result = PickFolder(0, L"", chosen / L"no such folder", output);
  EXPECT_TRUE(driver.FoundDialog());
  EXPECT_EQ(result, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(output, chosen.path());
}

TEST(DeleteWithShell, FileGoesForGood) {
  TempFolder folder(L"vxdel");
  const std::wstring file = folder / L"a.txt";
  vxtest::WriteFileBytes(file, "data");
  EXPECT_TRUE(DeleteWithShell(file));
  EXPECT_FALSE(vxtest::PathExists(file));
  EXPECT_TRUE(vxtest::PathIsFolder(folder.path()));
}

TEST(DeleteWithShell, FolderGoesWithEverythingInIt) {
  TempFolder folder(L"vxdel");
  const std::wstring tree = folder / L"tree";
  ASSERT_TRUE(::CreateDirectoryW(tree.c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryW((tree + L"\\sub").c_str(), nullptr));
  vxtest::WriteFileBytes(tree + L"\\one.log", "1");
  vxtest::WriteFileBytes(tree + L"\\sub\\two.log", "2");
  EXPECT_TRUE(DeleteWithShell(tree));
  EXPECT_FALSE(vxtest::PathExists(tree));
}

TEST(DeleteWithShell, WildcardsAndMissingPathsDeleteNothing) {
  TempFolder folder(L"vxdel");
  vxtest::WriteFileBytes(folder / L"a.txt", "a");
  vxtest::WriteFileBytes(folder / L"b.txt", "b");
  EXPECT_FALSE(DeleteWithShell(folder / L"*.txt"));
  EXPECT_FALSE(DeleteWithShell(folder / L"?.txt"));
  EXPECT_FALSE(DeleteWithShell(folder / L"missing.txt"));
  EXPECT_FALSE(DeleteWithShell(L""));
  EXPECT_TRUE(vxtest::PathExists(folder / L"a.txt"));
  EXPECT_TRUE(vxtest::PathExists(folder / L"b.txt"));
}

// Only the text before an embedded NUL is a path: the rest must not become
// a second entry of the shell's list.
TEST(DeleteWithShell, EmbeddedNulEndsThePath) {
  TempFolder folder(L"vxdel");
  const std::wstring first = folder / L"first.txt";
  const std::wstring second = folder / L"second.txt";
  vxtest::WriteFileBytes(first, "1");
  vxtest::WriteFileBytes(second, "2");
  std::wstring both = first;
  both.push_back(L'\0');
  both += second;
  EXPECT_TRUE(DeleteWithShell(both));
  EXPECT_FALSE(vxtest::PathExists(first));
  EXPECT_TRUE(vxtest::PathExists(second));
}

TEST(ShellDeleteList, OnePathAndTheEmptyEntry) {
  using vxlib::detail::ShellDeleteList;
  EXPECT_EQ(ShellDeleteList(L"C:\\a"), std::wstring(L"C:\\a\0", 5));
  EXPECT_EQ(ShellDeleteList(L""), std::wstring(1, L'\0'));
  EXPECT_EQ(ShellDeleteList(std::wstring(L"C:\\a\0C:\\b", 9)), std::wstring(L"C:\\a\0", 5));
  // c_str() supplies the NUL that ends the list.
  const std::wstring list = ShellDeleteList(L"x");
  EXPECT_EQ(list.c_str()[1], L'\0');
  EXPECT_EQ(list.c_str()[2], L'\0');
}

namespace {

struct LinkContents {
  HRESULT loaded = E_FAIL;
  std::wstring target, workingFolder, description, iconFile;
  int iconIndex = -99;
};

LinkContents ReadLink(const std::wstring& linkPath) {
  LinkContents contents;
  fw::com_ptr<IShellLinkW> link;
  fw::com_ptr<IPersistFile> file;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                __uuidof(IShellLinkW), link.put_void())) ||
      FAILED(link.query_to(file))) {
    return contents;
  }
  contents.loaded = file->Load(linkPath.c_str(), STGM_READ);
  wchar_t text[MAX_PATH] = {};
  link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
  contents.target = text;
  text[0] = L'\0';
  link->GetWorkingDirectory(text, MAX_PATH);
  contents.workingFolder = text;
  text[0] = L'\0';
  link->GetDescription(text, MAX_PATH);
  contents.description = text;
  text[0] = L'\0';
  link->GetIconLocation(text, MAX_PATH, &contents.iconIndex);
  contents.iconFile = text;
  return contents;
}

}  // namespace

TEST(CreateShortcut, LinkReadsBackWithEverythingGiven) {
  fw::com_init com;
  TempFolder folder(L"vxlnk");
  const std::wstring target = folder / L"tool.exe";
  vxtest::WriteFileBytes(target, "MZ");
  const std::wstring linkPath = folder / L"Tool.lnk";
  ASSERT_EQ(CreateShortcut(target.c_str(), linkPath.c_str(), folder.path().c_str(),
                           L"Diagnostics tool", 2),
            S_OK);
  ASSERT_TRUE(vxtest::PathExists(linkPath));

  const LinkContents link = ReadLink(linkPath);
  ASSERT_EQ(link.loaded, S_OK);
  EXPECT_EQ(fw::CompareNoCase(link.target, target), 0) << vxtest::WideToUtf8(link.target);
  EXPECT_EQ(link.workingFolder, folder.path());
  EXPECT_EQ(link.description, L"Diagnostics tool");
  EXPECT_EQ(fw::CompareNoCase(link.iconFile, target), 0) << vxtest::WideToUtf8(link.iconFile);
  EXPECT_EQ(link.iconIndex, 2);
}

TEST(CreateShortcut, NoWorkingFolderAndNoIconWhenNotGiven) {
  fw::com_init com;
  TempFolder folder(L"vxlnk");
  const std::wstring target = folder / L"tool.exe";
  vxtest::WriteFileBytes(target, "MZ");
  const std::wstring linkPath = folder / L"Bare.lnk";
  ASSERT_EQ(CreateShortcut(target.c_str(), linkPath.c_str(), nullptr, L"", -1), S_OK);

  const LinkContents link = ReadLink(linkPath);
  ASSERT_EQ(link.loaded, S_OK);
  EXPECT_EQ(link.workingFolder, L"");
  EXPECT_EQ(link.description, L"");
  EXPECT_EQ(link.iconFile, L"");
  EXPECT_EQ(link.iconIndex, 0);
}

TEST(CreateShortcut, FailuresComeBackAndWriteNothing) {
  fw::com_init com;
  TempFolder folder(L"vxlnk");
  const std::wstring target = folder / L"tool.exe";
  const std::wstring linkPath = folder / L"x.lnk";

  // The shell link answers a target it cannot find with S_FALSE: not 0, so
  // the routine stops there and passes it on.
  EXPECT_EQ(CreateShortcut(target.c_str(), linkPath.c_str(), nullptr, L"d", 0), S_FALSE);
  EXPECT_FALSE(vxtest::PathExists(linkPath));

  vxtest::WriteFileBytes(target, "MZ");
  const std::wstring nowhere = folder / L"missing\\Tool.lnk";
  const HRESULT saved = CreateShortcut(target.c_str(), nowhere.c_str(), nullptr, L"d", 0);
  EXPECT_TRUE(FAILED(saved)) << std::hex << saved;
  EXPECT_FALSE(vxtest::PathExists(nowhere));

  EXPECT_EQ(CreateShortcut(nullptr, linkPath.c_str(), nullptr, L"d", 0), E_POINTER);
  EXPECT_EQ(CreateShortcut(target.c_str(), nullptr, nullptr, L"d", 0), E_POINTER);
  EXPECT_EQ(CreateShortcut(target.c_str(), linkPath.c_str(), nullptr, nullptr, 0), E_POINTER);
  EXPECT_FALSE(vxtest::PathExists(linkPath));
}

TEST(ParseShellPath, ExistingPathGivesItsItemList) {
  TempFolder folder(L"vxparse");
  const std::wstring file = folder / L"doc.txt";
  vxtest::WriteFileBytes(file, "x");
  PIDLIST_RELATIVE list = nullptr;
  ASSERT_EQ(ParseShellPath(nullptr, file, &list), S_OK);
  fw::unique_cotaskmem owner(list);
  ASSERT_NE(list, nullptr);
  wchar_t back[MAX_PATH] = {};
  ASSERT_TRUE(::SHGetPathFromIDListW(static_cast<PCIDLIST_ABSOLUTE>(list), back));
  EXPECT_EQ(fw::CompareNoCase(back, file), 0) << vxtest::WideToUtf8(back);
}

TEST(ParseShellPath, MissingPathIsTheParsersFailure) {
  TempFolder folder(L"vxparse");
  PIDLIST_RELATIVE list = nullptr;
  EXPECT_TRUE(FAILED(ParseShellPath(nullptr, folder / L"none.txt", &list)));
  EXPECT_EQ(list, nullptr);
}

// A path is parsed whole or not at all: 259 units still go to the parser,
// 260 and more are refused before it, and the output is not written.
TEST(ParseShellPath, PathOf260UnitsOrMoreIsRefused) {
  const auto sentinel = reinterpret_cast<PIDLIST_RELATIVE>(static_cast<UINT_PTR>(0x1234));
  for (size_t units : {size_t{260}, size_t{261}, size_t{40000}}) {
    const std::wstring path = L"C:\\" + std::wstring(units - 3, L'a');
    PIDLIST_RELATIVE list = sentinel;
    EXPECT_EQ(ParseShellPath(nullptr, path, &list), HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE))
        << units;
    EXPECT_EQ(list, sentinel);
  }
  EXPECT_EQ(ParseShellPath(nullptr, L"C:\\", nullptr), E_POINTER);

  using vxlib::detail::FitsParseBuffer;
  EXPECT_TRUE(FitsParseBuffer(std::wstring(259, L'a')));
  EXPECT_FALSE(FitsParseBuffer(std::wstring(260, L'a')));
  EXPECT_TRUE(FitsParseBuffer(std::wstring(10, L'a') + L'\0' + std::wstring(300, L'b')));
  EXPECT_TRUE(FitsParseBuffer(L""));
}

TEST(ParseShellPath, PathOf259UnitsReachesTheParser) {
  TempFolder folder(L"vxparse");
  const std::wstring path =
      folder.path() + L"\\" + std::wstring(259 - folder.path().size() - 1, L'n');
  ASSERT_EQ(path.size(), 259u);
  PIDLIST_RELATIVE list = nullptr;
  const HRESULT hr = ParseShellPath(nullptr, path, &list);
  fw::unique_cotaskmem owner(list);
  EXPECT_NE(hr, HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE));
}

namespace {

// A file type of the test's own whose "open" starts the recording double.
class ScopedOpenHandler {
 public:
  ScopedOpenHandler() {
    vxtest::DeleteTree(HKEY_LOCAL_MACHINE, kExtensionKey);
    vxtest::DeleteTree(HKEY_LOCAL_MACHINE, kTypeKey);
    const std::wstring command = L"\"" + vxtest::BinPath(L"shell_open_recorder.exe") + L"\" \"%1\"";
    ok_ = SetDefault(kExtensionKey, L"VxTest.OpenRecord") &&
          SetDefault(std::wstring(kTypeKey) + L"\\shell\\open\\command", command);
  }
  ~ScopedOpenHandler() {
    vxtest::DeleteTree(HKEY_LOCAL_MACHINE, kExtensionKey);
    vxtest::DeleteTree(HKEY_LOCAL_MACHINE, kTypeKey);
  }
  bool ok() const { return ok_; }

 private:
  static constexpr wchar_t kExtensionKey[] = L"Software\\Classes\\.vxopenrecord";
  static constexpr wchar_t kTypeKey[] = L"Software\\Classes\\VxTest.OpenRecord";

  static bool SetDefault(const std::wstring& keyPath, const std::wstring& text) {
    fw::unique_hkey key;
    return ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                             nullptr, key.put(), nullptr) == ERROR_SUCCESS &&
           ::RegSetValueExW(
               key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
               static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
  }
  bool ok_ = false;
};

// Waits until the recording double has written its last line.
std::string WaitForRecord(const std::wstring& logPath, DWORD timeoutMs) {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  std::string record;
  while (::GetTickCount64() < deadline) {
    if (vxtest::PathExists(logPath)) {
      record = vxtest::ReadFileBytes(logPath);
      if (record.find("end\n") != std::string::npos) break;
    }
    ::Sleep(50);
  }
  return record;
}

}  // namespace

TEST(OpenWithShell, AssociatedProgramIsStartedWithTheFile) {
  ScopedOpenHandler handler;
  ASSERT_TRUE(handler.ok());
  TempFolder folder(L"vxopen");
  const std::wstring document = folder / L"report one.vxopenrecord";
  vxtest::WriteFileBytes(document, "x");
  const std::wstring logPath = folder / L"opened.log";
  vxtest::ScopedEnv log(L"VX_SHELL_OPEN_LOG", logPath);

  EXPECT_TRUE(OpenWithShell(document.c_str()));
  EXPECT_EQ(WaitForRecord(logPath, 15000), "argv[1]=" + vxtest::WideToUtf8(document) + "\nend\n");
}

TEST(OpenWithShell, UnopenableItemsAreNotReported) {
  TempFolder folder(L"vxopen");
  EXPECT_TRUE(OpenWithShell((folder / L"missing.vxnothing").c_str()));
  EXPECT_TRUE(OpenWithShell(nullptr));
}
