#include "elevated_tasks/command_text.h"
#include "elevated_tasks/elevated_tasks.h"
#include "framework/app.h"
#include "framework/handles.h"

using namespace elevated::detail;

LONG WriteMachineString(const std::wstring& keyPath, std::wstring text,
                        const std::wstring& valueName, DWORD keyOptions, DWORD valueType) {
  // The commands never come near this bound (their longest text is TEMP plus
  // a log folder name); a longer text would only be stored cut, so nothing
  // is written at all.
  if (text.size() >= kRegistryTextUnits) return ERROR_INVALID_PARAMETER;

  fw::unique_hkey key;
  DWORD disposition = 0;
  LONG status = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, keyOptions,
                                  KEY_ALL_ACCESS, nullptr, key.put(), &disposition);
  if (status == ERROR_SUCCESS) {
    wchar_t buffer[kRegistryTextUnits] = {};
    text.copy(buffer, text.size());
    buffer[text.size()] = L'\0';
    const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    const auto write = [&] {
      return ::RegSetValueExW(key.get(), valueName.c_str(), 0, valueType,
                              reinterpret_cast<const BYTE*>(buffer), bytes);
    };
    status = write();
    if (status != ERROR_SUCCESS) status = write();
    if (status == ERROR_SUCCESS) return ERROR_SUCCESS;
  }
  fw::AppMessageBox(L"Registry key failed", MB_OK, 0);
  return status;
}

LONG DeleteRegistryValue(HKEY hive, const std::wstring& keyPath, const std::wstring& valueName) {
  HKEY key = nullptr;
  const LONG status = ::RegOpenKeyExW(hive, keyPath.c_str(), 0, KEY_SET_VALUE, &key);
  if (status != ERROR_SUCCESS) return status;
  ::RegDeleteValueW(key, valueName.c_str());
  // The caller learns the status of the close itself, so the key is closed
  // here rather than by an owner.
  return ::RegCloseKey(key);
}
