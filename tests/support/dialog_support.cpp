#include "tests/support/dialog_support.h"

namespace vxtest {

namespace {

// The name field of the shell's file dialog.
constexpr int kNameField = 1152;

struct Search {
  HWND found = nullptr;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM parameter) {
  wchar_t className[16] = {};
  ::GetClassNameW(window, className, 16);
  if (std::wstring(className) == L"#32770" && ::IsWindowVisible(window)) {
    reinterpret_cast<Search*>(parameter)->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

DialogDriver::DialogDriver(Action action, std::wstring path, DWORD timeoutMs)
    : action_(action),
      path_(std::move(path)),
      timeoutMs_(timeoutMs),
      threadId_(::GetCurrentThreadId()),
      thread_([this] { Run(); }) {}

DialogDriver::~DialogDriver() {
  if (thread_.joinable()) thread_.join();
}

bool DialogDriver::FoundDialog() {
  if (thread_.joinable()) thread_.join();
  return found_;
}

void DialogDriver::Run() {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs_;
  Search search;
  while (!search.found && ::GetTickCount64() < deadline) {
    ::Sleep(50);
    ::EnumThreadWindows(threadId_, FindDialog, reinterpret_cast<LPARAM>(&search));
  }
  if (!search.found) return;
  found_ = true;
  const HWND dialog = search.found;
  ::Sleep(300);  // let the dialog finish filling itself

  if (action_ == Action::ChoosePath) {
    ::SetDlgItemTextW(dialog, kNameField, path_.c_str());
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK)));
    for (int i = 0; i < 60 && ::IsWindow(dialog); ++i) ::Sleep(50);
  }
  if (::IsWindow(dialog)) ::PostMessageW(dialog, WM_CLOSE, 0, 0);
}

}  // namespace vxtest
