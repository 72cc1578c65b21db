#include "library/temp_registry/temp_registry.h"

#include <gtest/gtest.h>

#include <clocale>

#include "library/temp_registry/setting_text.h"
#include "tests/support/test_support.h"

using namespace vxtest;
using Type = SettingValueType;

const wchar_t kKey[] = L"Software\\VxTestSettings";
const wchar_t kSection[] = L"Software\\VxTestSettings\\General";
const wchar_t kProductSection[] = L"Software\\VxTestProduct\\General";

using temp_registry::detail::PieceValueName;
static std::wstring Piece(size_t index) { return PieceValueName(L"Text", index); }
static std::vector<BYTE> Stored(const std::wstring& name, DWORD type = REG_SZ) {
  const auto raw = ReadRawValue(HKEY_CURRENT_USER, kSection, name);
  return raw && raw->type == type ? raw->data : std::vector<BYTE>{};
}
static void Raw(const std::wstring& name, DWORD type, const std::vector<BYTE>& bytes) {
  ASSERT_TRUE(SetRawValue(HKEY_CURRENT_USER, kSection, name, type, bytes));
}

class Settings : public ::testing::Test {
 protected:
  Settings() { ProductKeyName().clear(); }
  ~Settings() override { ProductKeyName().clear(); }
  bool Write(Type type, const std::wstring& name, const std::wstring& text,
             const DWORD* number = nullptr, const double* value = nullptr) {
    return WriteSettingValue(kKey, HKEY_CURRENT_USER, L"General", name, type, text, number, value);
  }
  bool Read(Type type, const std::wstring& name, std::wstring* text, DWORD* number = nullptr,
            double* value = nullptr) {
    return ReadSettingValue(kKey, HKEY_CURRENT_USER, L"General", name, type, text, number, value);
  }
  std::wstring Text(std::wstring text = L"") {
    return (Read(Type::String, L"Text", &text) ? L"" : L"false:") + text;
  }
  std::wstring Where(bool machineOnly, bool useProductKey = true,
                     const std::wstring& productKey = L"VxTestProduct",
                     const std::wstring& section = L"General") {
    std::wstring text = L"kept";
    const bool ok = ReadProductSetting(section, L"Where", Type::String, &text, nullptr, nullptr,
                                       machineOnly, useProductKey, productKey);
    return (ok ? L"" : L"false:") + text;
  }
  ScratchKey scratch_{HKEY_CURRENT_USER, kKey},
      user_{HKEY_CURRENT_USER, L"Software\\VxTestProduct"},
      machine_{HKEY_LOCAL_MACHINE, L"Software\\VxTestProduct"},
      defaultUser_{HKEY_USERS, L".DEFAULT\\Software\\VxTestProduct"},
      other_{HKEY_CURRENT_USER, L"Software\\VxTestOther"};
};

TEST_F(Settings, TextsInPiecesNumbersUnderAnyLocaleTheLookupOrderAndWrites) {
  const std::pair<size_t, std::vector<size_t>> cases[] = {
      {1022, {}}, {1023, {1015, 8}}, {2031, {1015, 1015, 1}}, {5, {}}};
  for (const auto& [length, pieces] : cases) {
    std::wstring text;
    for (size_t i = 0; i < length; ++i) text += static_cast<wchar_t>(L'A' + i % 23);
    ASSERT_TRUE(Write(Type::String, L"Text", text));
    EXPECT_EQ(Stored(L"Text"), pieces.empty() ? SzBytes(text) : std::vector<BYTE>{}) << length;
    size_t offset = 0;
    for (size_t i = 0; i < pieces.size(); offset += pieces[i++])
      EXPECT_EQ(Stored(Piece(i)), SzBytes(text.substr(offset, pieces[i]))) << length << i;
    EXPECT_FALSE(ReadRawValue(HKEY_CURRENT_USER, kSection, Piece(pieces.size()))) << length;
    EXPECT_EQ(Text(), text) << length;
  }
  ASSERT_EQ(::RegDeleteValueW(OpenTestKey(HKEY_CURRENT_USER, kSection).get(), L"Text"), 0);
  Raw(Piece(0), REG_SZ, SzBytes(L"zero"));
  Raw(Piece(2), REG_SZ, SzBytes(L"two"));
  EXPECT_EQ(Text(L"pre:"), L"pre:zero");  // appended to, not replaced
  EXPECT_TRUE(DeleteNumberedValues(OpenTestKey(HKEY_CURRENT_USER, kSection).get(), L"Text"));
  EXPECT_TRUE(Stored(Piece(0)).empty() && Stored(Piece(2)) == SzBytes(L"two"));  // beyond the gap
  EXPECT_EQ(Text(L"kept"), L"false:kept");
  // 1024 units without a NUL fill the 2048-byte buffer exactly; 1025 go to the pieces.
  Raw(Piece(0), REG_SZ, UnitBytes(std::wstring(1015, L'y')));
  for (size_t units : {1024u, 1025u}) {
    Raw(L"Text", REG_SZ, UnitBytes(std::wstring(units, L'x')));
    EXPECT_EQ(Text(), std::wstring(units <= 1024 ? units : 1015, units <= 1024 ? 'x' : 'y'));
  }
  // In "German_Germany.1252" the decimal separator is a comma: a plain scan of "2.5" gives 2.
  const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
  for (const char* locale : {"C", "German_Germany.1252"}) {
    ASSERT_TRUE(std::setlocale(LC_NUMERIC, locale));
    for (const auto& [value, text] :
         {std::pair(0.1, L"0.100000000000000006"), std::pair(2.5, L"2.5")}) {
      double back = 0;
      ASSERT_TRUE(Write(Type::Double, L"Double", L"", nullptr, &value));
      EXPECT_EQ(Stored(L"Double"), SzBytes(text));
      EXPECT_TRUE(Read(Type::Double, L"Double", nullptr, nullptr, &back) && back == value);
    }
  }
  std::setlocale(LC_NUMERIC, previous.c_str());
  Raw(L"Dword", REG_DWORD, DwordBytes(12));
  Raw(L"Short", REG_DWORD, {1, 2});
  Raw(L"Word", REG_SZ, SzBytes(L"abc"));
  DWORD kept = 99;
  std::wstring text = L"kept";
  double value = 9.5;
  EXPECT_FALSE(Read(Type::Dword, L"Short", &text, &kept, &value) ||  // not 4 bytes
               Read(Type::String, L"Dword", &text, &kept, &value) ||
               Read(Type::Dword, L"Dword", &text, nullptr, &value));  // no variable of the type
  EXPECT_TRUE(Read(Type::Double, L"Word", &text, &kept, &value));     // found, yet no number
  EXPECT_EQ(std::tuple(kept, text, value), std::tuple(99u, L"kept", 9.5));
  EXPECT_FALSE(Write(Type::Dword, L"New", L"") || Write(Type::Double, L"New", L"") ||
               ReadRawValue(HKEY_CURRENT_USER, kSection, L"New"));
  const std::pair<HKEY, std::wstring> places[] = {
      {HKEY_CURRENT_USER, L""}, {HKEY_LOCAL_MACHINE, L""}, {HKEY_USERS, L".DEFAULT\\"}};
  const wchar_t* const any[] = {L"user", L"machine", L"default", L"false:kept"};
  for (int i = 0; i < 3; ++i)
    SetText(places[i].first, places[i].second + kProductSection, L"Where", any[i]);
  for (int i = 0; i <= 3; ++i) {
    EXPECT_EQ(Where(false), any[i]);
    EXPECT_EQ(Where(true), i == 0 ? L"machine" : any[i]);
    if (i < 3) DeleteTree(places[i].first, places[i].second + L"Software\\VxTestProduct");
  }
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, L"Software\\VxTestOther\\General", L"Where", L"other"));
  ASSERT_TRUE(SetText(HKEY_LOCAL_MACHINE, kProductSection, L"Where", L"machine"));
  ProductKeyName() = L"VxTestOther";  // the user's hive is also read under it
  EXPECT_EQ(Where(false), L"other");
  // Empty: the section lies directly below Software; an explicit key leaves the name alone.
  ProductKeyName().clear();
  EXPECT_EQ(Where(false, true, L"VxTestProduct", L"VxTestOther\\General") + ProductKeyName(),
            L"other");
  // No explicit key: ProductKeyName with the flag (defaulted when empty), else "Quillforge".
  EXPECT_EQ(Where(true, false, L"") + ProductKeyName(), L"false:kept");
  EXPECT_EQ(Where(true, true, L"") + ProductKeyName(), L"false:keptQuillforge");
  ProductKeyName() = L"VxTestProduct";
  EXPECT_EQ(Where(true, true, L""), L"machine");
  DeleteTree(HKEY_LOCAL_MACHINE, L"Software\\VxTestProduct");
  const DWORD number = 42;
  ASSERT_TRUE(WriteProductSetting(L"General", L"Count", Type::Dword, L"", &number, nullptr, true));
  EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, kProductSection, L"Count")->data, DwordBytes(42));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\VxTestProduct"));
}
