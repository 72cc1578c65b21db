// Prints "<string 103>|<string 105, absent>|<title after AppInit>|<profile key>".

#include <cstdio>

#include "framework/app.h"
#include "framework/profile.h"

int wmain() {
  const std::wstring title = fw::LoadResourceString(103), absent = fw::LoadResourceString(105);
  fw::AppInit(::GetModuleHandleW(nullptr), nullptr, L"", 0);
  std::printf("%ls|%ls|%ls|%ls", title.c_str(), absent.c_str(), fw::App().title.c_str(),
              fw::ProfileKeyPath().c_str());
  return 0;
}
