#include <wchar.h>

#include "library/temp_registry/temp_registry.h"

namespace {

bool IsWebAddress(const std::wstring& path) {
  return path.size() >= 4 && ::_wcsnicmp(path.c_str(), L"http", 4) == 0;
}

wchar_t SeparatorOf(const std::wstring& path) { return IsWebAddress(path) ? L'/' : L'\\'; }

bool Assign(std::wstring& output, std::wstring value) {
  output = std::move(value);
  return !output.empty();
}

}  // namespace

bool GetPathFolder(const std::wstring& path, std::wstring& folder, bool keepSeparator) {
  const size_t separator = path.rfind(SeparatorOf(path));
  if (separator == std::wstring::npos) return Assign(folder, std::wstring());
  return Assign(folder, path.substr(0, keepSeparator ? separator + 1 : separator));
}

bool GetPathDrive(const std::wstring& path, std::wstring& drive) {
  const size_t colon = IsWebAddress(path) ? std::wstring::npos : path.find(L':');
  return Assign(drive, colon == std::wstring::npos ? std::wstring() : path.substr(0, colon));
}

bool GetPathExtension(const std::wstring& path, std::wstring& extension) {
  const size_t point = path.rfind(L'.');
  return Assign(extension, point == std::wstring::npos ? std::wstring() : path.substr(point + 1));
}

bool GetPathFileName(const std::wstring& path, std::wstring& name) {
  const size_t separator = path.rfind(SeparatorOf(path));
  return Assign(name, separator == std::wstring::npos ? path : path.substr(separator + 1));
}

bool GetPathFileTitle(const std::wstring& path, std::wstring& title) {
  std::wstring name;
  GetPathFileName(path, name);
  const size_t point = name.rfind(L'.');
  if (point != std::wstring::npos) name.resize(point);
  return Assign(title, std::move(name));
}

std::wstring RemoveRepeatedExtension(const std::wstring& name) {
  const size_t point = name.rfind(L'.');
  if (point == std::wstring::npos) return name;
  const std::wstring extension = name.substr(point);
  const size_t length = extension.size();
  std::wstring stem = name.substr(0, point);
  while (stem.size() > length &&
         fw::CompareNoCase(stem.substr(stem.size() - length), extension) == 0) {
    stem.resize(stem.size() - length);
  }
  return stem + extension;
}

void AddSortedNoCase(const fw::StringList& source, fw::StringList& destination) {
  for (const std::wstring& text : source) {
    auto place = destination.begin();
    while (place != destination.end() && fw::CompareNoCase(*place, text) <= 0) ++place;
    destination.insert(place, text);
  }
}
