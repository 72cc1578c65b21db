#include "library/launch_shell/launch_shell.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include "library/launch_shell/shell_operations_detail.h"
#include "tests/support/test_support.h"

using namespace vxtest;

TEST(DeleteAndParseWithShell, FileFolderWildcardMissingEmbeddedNulAndTooLong) {
  TempFolder folder(L"vxdel");
  const std::wstring tree = folder / L"tree";
  ASSERT_EQ(::SHCreateDirectoryExW(nullptr, (tree + L"\\sub").c_str(), nullptr), ERROR_SUCCESS);
  for (const wchar_t* name : {L"tree\\sub\\two.log", L"a.txt", L"b.txt"})
    WriteFileBytes(folder / name, "x");
  for (const std::wstring& refused : {folder / L"*.txt", folder / L"missing.txt", std::wstring()})
    EXPECT_FALSE(DeleteWithShell(refused)) << WideToUtf8(refused);
  EXPECT_TRUE(PathExists(folder / L"a.txt") && PathExists(folder / L"b.txt"));

  EXPECT_TRUE(DeleteWithShell(folder / L"a.txt" + L'\0' + (folder / L"b.txt")));
  EXPECT_TRUE(!PathExists(folder / L"a.txt") && PathExists(folder / L"b.txt"));
  EXPECT_TRUE(DeleteWithShell(tree) && !PathExists(tree) && PathIsFolder(folder.path()));

  const std::wstring file = folder / L"b.txt";
  PIDLIST_RELATIVE list = nullptr;
  ASSERT_EQ(ParseShellPath(nullptr, file, &list), S_OK);
  fw::unique_cotaskmem owner(list);
  wchar_t back[MAX_PATH] = {};
  ASSERT_TRUE(::SHGetPathFromIDListW(static_cast<PCIDLIST_ABSOLUTE>(list), back));
  EXPECT_EQ(fw::CompareNoCase(back, file), 0) << WideToUtf8(back);

  // A path is parsed whole or not at all; the output is not written.
  EXPECT_TRUE(vxlib::detail::FitsParseBuffer(std::wstring(259, L'a')));
  const auto sentinel = reinterpret_cast<PIDLIST_RELATIVE>(static_cast<UINT_PTR>(0x1234));
  list = sentinel;
  EXPECT_EQ(ParseShellPath(nullptr, L"C:\\" + std::wstring(257, L'a'), &list),
            HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE));
  EXPECT_EQ(list, sentinel);
}

TEST(CreateShortcut, LinkReadsBackWithWhatWasGiven) {
  fw::com_init com;
  TempFolder folder(L"vxlnk");
  const std::wstring target = folder / L"tool.exe", linkPath = folder / L"Tool.lnk";
  // The shell link answers a target it cannot find with S_FALSE, passed on.
  EXPECT_EQ(CreateShortcut(target.c_str(), linkPath.c_str(), nullptr, L"d", 0), S_FALSE);
  EXPECT_FALSE(PathExists(linkPath));
  EXPECT_EQ(CreateShortcut(nullptr, linkPath.c_str(), nullptr, L"d", 0), E_POINTER);
  WriteFileBytes(target, "MZ");

  ASSERT_EQ(CreateShortcut(target.c_str(), linkPath.c_str(), folder.path().c_str(), L"Tool", 2),
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
  EXPECT_TRUE(fw::CompareNoCase(text[0], target) == 0 && fw::CompareNoCase(text[3], target) == 0)
      << WideToUtf8(text[0]) << " " << WideToUtf8(text[3]);
  EXPECT_EQ(text[1] + (L"|" + std::wstring(text[2])) + L"|" + std::to_wstring(iconIndex),
            folder.path() + L"|Tool|2");
}

TEST(OpenWithShell, AssociatedProgramIsStartedWithTheFile) {
  ScratchKey extension(HKEY_LOCAL_MACHINE, L"Software\\Classes\\.vxopenrecord");
  ScratchKey type(HKEY_LOCAL_MACHINE, L"Software\\Classes\\VxTest.OpenRecord");
  ASSERT_TRUE(SetText(HKEY_LOCAL_MACHINE, extension.path(), L"", L"VxTest.OpenRecord"));
  ASSERT_TRUE(SetText(HKEY_LOCAL_MACHINE, type.path() + L"\\shell\\open\\command", L"",
                      L"\"" + FakeXperfFolder() + L"\\Xperf.exe\" \"%1\""));
  TempFolder folder(L"vxopen");
  const std::wstring document = folder / L"report one.vxopenrecord";
  WriteFileBytes(document, "x");
  ScopedEnv log(L"VX_FAKE_XPERF_LOG", folder / L"opened.log");
  EXPECT_TRUE(OpenWithShell(document.c_str()));
  EXPECT_TRUE(Eventually([&] { return !ReadFileBytes(folder / L"opened.log").empty(); }, 15000));
  EXPECT_EQ(ReadFileBytes(folder / L"opened.log"), "params=\"" + WideToUtf8(document) + "\"\n");
  // Nothing can open these, which is not reported.
  EXPECT_TRUE(OpenWithShell((folder / L"missing.vxnothing").c_str()) && OpenWithShell(nullptr));
}
