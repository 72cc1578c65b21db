#pragma once
// Works a modal dialog of the test's own thread from a helper thread, the
// way a user would: waits for the dialog window (class "#32770") to appear,
// then closes it or types a path into it and confirms.

#include <windows.h>

#include <string>
#include <thread>

namespace vxtest {

class DialogDriver {
 public:
  enum class Action { Close, ChoosePath };

  // Starts watching for a dialog of the calling thread. With ChoosePath,
  // path is typed into the dialog's name field and the default button is
  // pressed; if the dialog is still there after that, it is closed.
  explicit DialogDriver(Action action, std::wstring path = L"", DWORD timeoutMs = 20000);
  // Waits for the helper thread.
  ~DialogDriver();
  DialogDriver(const DialogDriver&) = delete;
  DialogDriver& operator=(const DialogDriver&) = delete;

  // After the dialog returned: whether a dialog was found at all.
  bool FoundDialog();

 private:
  void Run();

  Action action_;
  std::wstring path_;
  DWORD timeoutMs_;
  DWORD threadId_;
  bool found_ = false;
  std::thread thread_;
};

}  // namespace vxtest
