#include <gtest/gtest.h>

#include "tests/support/test_support.h"

TEST(Resources, ManifestAsksForAdministrator) {
  fw::unique_hmodule image(
      ::LoadLibraryExW(vxtest::BinPath(L"qlfvxET.exe").c_str(), nullptr,
                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  ASSERT_TRUE(image);
  const HRSRC found = ::FindResourceW(image.get(), MAKEINTRESOURCEW(1), RT_MANIFEST);
  ASSERT_NE(found, nullptr) << "no manifest with id 1";
  const auto* bytes = static_cast<const char*>(::LockResource(::LoadResource(image.get(), found)));
  const std::string manifest(bytes, ::SizeofResource(image.get(), found));
  EXPECT_NE(manifest.find("level=\"requireAdministrator\" uiAccess=\"false\""), std::string::npos);
  EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos);
}
