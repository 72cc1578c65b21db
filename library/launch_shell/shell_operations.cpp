#include "library/launch_shell/launch_shell.h"

#include <shellapi.h>
#include <shlwapi.h>
#include <shobjidl.h>

#include <iterator>
#include <string_view>

#include "framework/handles.h"
#include "library/launch_shell/shell_operations_detail.h"

namespace vxlib::detail {

std::wstring ShellDeleteList(const std::wstring& path) {
  std::wstring list(path.c_str());  // stops at the first NUL
  list.push_back(L'\0');
  return list;
}

bool FitsParseBuffer(const std::wstring& path) {
  return std::wstring_view(path.c_str()).size() < kParseBufferUnits;
}

}  // namespace vxlib::detail

bool DeleteWithShell(std::wstring path) {
  path = vxlib::detail::ShellDeleteList(path);
  if (!::PathFileExistsW(path.c_str())) return false;

  SHFILEOPSTRUCTW operation = {};
  operation.wFunc = FO_DELETE;
  operation.pFrom = path.c_str();
  operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
  return ::SHFileOperationW(&operation) == 0;
}

HRESULT PickFolder(INT_PTR /*reserved*/, const std::wstring& /*unusedText*/,
                   const std::wstring& initialFolder, std::wstring& output) {
  fw::com_ptr<IFileDialog> dialog;
  if (FAILED(::CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                __uuidof(IFileDialog), dialog.put_void())) ||
      !dialog) {
    return E_ABORT;
  }

  fw::com_ptr<IShellItem> folder;
  HRESULT result = ::SHCreateItemFromParsingName(initialFolder.c_str(), nullptr,
                                                 __uuidof(IShellItem), folder.put_void());
  // A folder the shell cannot name is not handed on as a null item, which
  // some dialogs take as "no folder" and report success for.
  if (folder)
    result = dialog->SetFolder(folder.get());
  else if (SUCCEEDED(result))
    result = E_FAIL;

  FILEOPENDIALOGOPTIONS options = 0;
  if (SUCCEEDED(dialog->GetOptions(&options))) {
    dialog->SetOptions(options | FOS_PICKFOLDERS);
  } else {
    result = E_ABORT;
  }

  if (FAILED(dialog->Show(nullptr))) {  // cancelled, too
    output.clear();
    return E_ABORT;
  }

  fw::com_ptr<IShellItem> chosen;
  fw::unique_cotaskmem name;
  if (FAILED(dialog->GetResult(chosen.put())) || !chosen ||
      FAILED(chosen->GetDisplayName(SIGDN_DESKTOPABSOLUTEPARSING,
                                    reinterpret_cast<LPWSTR*>(name.put())))) {
    result = E_ABORT;
  }
  output = name ? static_cast<const wchar_t*>(name.get()) : L"";
  return result;
}

HRESULT CreateShortcut(const wchar_t* target, const wchar_t* shortcutPath,
                       const wchar_t* workingFolder, const wchar_t* description, int iconIndex) {
  if (target == nullptr || shortcutPath == nullptr || description == nullptr) return E_POINTER;

  fw::com_ptr<IShellLinkW> link;
  HRESULT hr = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                  __uuidof(IShellLinkW), link.put_void());
  if (hr != S_OK) return hr;
  fw::com_ptr<IPersistFile> file;
  hr = link.query_to(file);
  if (hr != S_OK) return hr;

  hr = link->SetPath(target);
  if (hr != S_OK) return hr;
  if (workingFolder != nullptr) {
    hr = link->SetWorkingDirectory(workingFolder);
    if (hr != S_OK) return hr;
  }
  hr = link->SetDescription(description);
  if (hr != S_OK) return hr;
  if (iconIndex >= 0) {
    hr = link->SetIconLocation(target, iconIndex);
    if (hr != S_OK) return hr;
  }
  return file->Save(shortcutPath, TRUE);
}

bool OpenWithShell(const wchar_t* item) {
  if (item != nullptr) ::ShellExecuteW(nullptr, L"open", item, nullptr, nullptr, SW_SHOWNORMAL);
  return true;
}

HRESULT ParseShellPath(HWND owner, const std::wstring& path, PIDLIST_RELATIVE* itemList) {
  if (itemList == nullptr) return E_POINTER;
  // A longer path would have to be cut to fit, and a cut path names another
  // item.
  if (!vxlib::detail::FitsParseBuffer(path)) {
    return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
  }

  fw::com_ptr<IShellFolder> desktop;
  if (FAILED(::SHGetDesktopFolder(desktop.put())) || !desktop) return S_FALSE;

  wchar_t buffer[vxlib::detail::kParseBufferUnits] = {};
  ::lstrcpynW(buffer, path.c_str(), static_cast<int>(std::size(buffer)));
  return desktop->ParseDisplayName(owner, nullptr, buffer, nullptr, itemList, nullptr);
}
