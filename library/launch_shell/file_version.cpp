#include "library/launch_shell/file_version_text.h"
#include "library/launch_shell/launch_shell.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <vector>

#include "framework/text.h"

namespace launch_shell::detail {

std::wstring StringTablePrefix(const void* translation, UINT translationBytes) {
  WORD language = 0x0009;
  WORD codePage = 0x04E4;
  if (translation != nullptr && translationBytes >= sizeof(DWORD)) {
    DWORD first = 0;
    std::memcpy(&first, translation, sizeof(first));
    language = LOWORD(first);
    codePage = HIWORD(first);
  }
  wchar_t prefix[32] = {};
  std::swprintf(prefix, std::size(prefix), L"\\StringFileInfo\\%04x%04x\\",
                static_cast<unsigned>(language), static_cast<unsigned>(codePage));
  return prefix;
}

}  // namespace launch_shell::detail

namespace {

// One string of the resource. The text is taken up to its NUL, never past
// the length Windows reports nor past the end of the resource's buffer.
bool QueryString(const std::vector<BYTE>& resource, const std::wstring& name, std::wstring& text) {
  void* value = nullptr;
  UINT units = 0;
  if (!::VerQueryValueW(resource.data(), name.c_str(), &value, &units) || value == nullptr) {
    return false;
  }
  const BYTE* const start = static_cast<const BYTE*>(value);
  const BYTE* const end = resource.data() + resource.size();
  if (start < resource.data() || start >= end) return false;
  const size_t available = static_cast<size_t>(end - start) / sizeof(wchar_t);
  text = fw::BoundedText(static_cast<const wchar_t*>(value), std::min<size_t>(units, available));
  return true;
}

}  // namespace

std::wstring GetFileVersionString(const wchar_t* path) {
  if (path == nullptr) return L"";
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path, &ignored);
  if (size == 0) return L"";

  std::vector<BYTE> resource(size, 0);
  if (!::GetFileVersionInfoW(path, 0, size, resource.data())) return L"";

  // The fixed root block is not used; a resource without one is not trusted.
  void* root = nullptr;
  UINT rootBytes = 0;
  if (!::VerQueryValueW(resource.data(), L"\\", &root, &rootBytes)) return L"";

  void* translation = nullptr;
  UINT translationBytes = 0;
  if (!::VerQueryValueW(resource.data(), L"\\VarFileInfo\\Translation", &translation,
                        &translationBytes)) {
    translation = nullptr;
    translationBytes = 0;
  }
  const std::wstring prefix =
      launch_shell::detail::StringTablePrefix(translation, translationBytes);

  std::wstring text;
  if (QueryString(resource, prefix + L"FileVersion", text)) return text;
  if (QueryString(resource, prefix + L"ProductVersion", text)) return text;
  return L"";
}
