#include "library/product_settings/product_settings.h"

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

using namespace vxtest;

static const wchar_t kKey[] = L"Software\\VxTestRegistryAccess";
using Text = std::optional<std::wstring>;
using Number = std::optional<DWORD>;

// Wine appends (and counts) a NUL to a REG_SZ stored without one; Windows does not: refused.
TEST(RegistryAccess, EveryReaderOnEveryTypeAndSizeTheWriterAndRootsLeftOpen) {
  const ScratchKey scratch(HKEY_CURRENT_USER, kKey);
  const std::wstring k259(259, L'x'), k260(260, L'y'), k300(300, L'n'), expand = L"%TEMP%\\x";
  // What QueryStringValue, ReadValueAsText, QueryDwordValue and ReadDwordValue give.
  const std::tuple<const wchar_t*, DWORD, std::vector<BYTE>, Text, Text, Number, Number> cases[] = {
      {L"sz259", REG_SZ, SzBytes(k259), k259, k259, {}, {}},  // 520 bytes
      {L"sz260", REG_SZ, SzBytes(k260), {}, k260, {}, {}},
      {L"empty", REG_SZ, {}, L"", L"", {}, 0},
      {L"expand", REG_EXPAND_SZ, SzBytes(expand), expand, expand, {}, {}},
      {L"multi", REG_MULTI_SZ, SzBytes(std::wstring(L"first\0second\0", 13)), {}, L"first", {}, {}},
      {L"d70000", REG_DWORD, DwordBytes(70000), {}, L"70000", 70000, 70000},
      {L"dAllOnes", REG_DWORD, DwordBytes(0xFFFFFFFF), {}, L"-1", 0xFFFFFFFF, 0xFFFFFFFF},
      {L"dShort", REG_DWORD, {0x34, 0x12}, {}, L"4660", {}, 0x1234},
      {L"bin4", REG_BINARY, {0x78, 0x56, 0x34, 0x12}, {}, L"\x5678\x1234", {}, 0x12345678},
      {L"binNoNul", REG_BINARY, UnitBytes(k300), {}, k300, {}, {}},  // unterminated, retried
      {L"binHi", REG_BINARY, {'h', 0, 'i', 0, 'x'}, {}, L"hi", {}, {}},
      {L"missing", REG_NONE, {}, {}, {}, {}, {}},  // never written
  };
  for (const auto& [name, type, data, query, asText, dword, anyDword] : cases) {
    SCOPED_TRACE(WideToUtf8(name));
    ASSERT_TRUE(type == REG_NONE || SetRawValue(HKEY_CURRENT_USER, kKey, name, type, data));
    std::wstring queried = L"before", read = L"before";
    DWORD number = 99, anyNumber = 99;
    EXPECT_EQ(QueryStringValue(HKEY_CURRENT_USER, kKey, name, queried), query.has_value());
    EXPECT_EQ(ReadValueAsText(HKEY_CURRENT_USER, kKey, name, read), asText.has_value());
    EXPECT_EQ(QueryDwordValue(HKEY_CURRENT_USER, kKey, name, number), dword.has_value());
    EXPECT_EQ(ReadDwordValue(HKEY_CURRENT_USER, kKey, name, anyNumber), anyDword.has_value());
    EXPECT_EQ(std::tuple(queried, read, number, anyNumber),
              std::tuple(query.value_or(L"before"), asText.value_or(L"before"), dword.value_or(99),
                         anyDword.value_or(99)));
  }
  ASSERT_TRUE(SetRawValue(HKEY_CURRENT_USER, kKey, L"noNul", REG_SZ, UnitBytes(L"abc")));
  const bool apiTerminates = ReadRawValue(HKEY_CURRENT_USER, kKey, L"noNul")->data.size() == 8;
  ASSERT_TRUE(SetRawValue(HKEY_CURRENT_USER, kKey, L"odd", REG_SZ, {'a', 0, 0}));
  std::wstring value = L"before", text;
  EXPECT_FALSE(QueryStringValue(HKEY_CURRENT_USER, kKey, L"odd", value));
  EXPECT_EQ(QueryStringValue(HKEY_CURRENT_USER, kKey, L"noNul", value), apiTerminates);
  EXPECT_EQ(value, apiTerminates ? L"abc" : L"before");

  EXPECT_EQ(WriteStringValue(HKEY_CURRENT_USER, kKey, L"text", std::wstring(259, L'x')), 0);
  const auto written = ReadRawValue(HKEY_CURRENT_USER, kKey, L"text");
  EXPECT_TRUE(written->type == REG_SZ && written->data == SzBytes(std::wstring(259, L'x')));
  const std::wstring missing = std::wstring(kKey) + L"\\Missing";
  EXPECT_EQ(WriteStringValue(HKEY_CURRENT_USER, missing, L"x", L"y"), ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(RegistryKeyExists(HKEY_CURRENT_USER, kKey) &&
              !RegistryKeyExists(HKEY_CURRENT_USER, missing));

  const fw::unique_hkey root = OpenTestKey(HKEY_CURRENT_USER, kKey);
  DWORD number = 0;
  EXPECT_TRUE(QueryDwordValue(root.get(), L"", L"d70000", number) &&
              ReadDwordValue(root.get(), L"", L"d70000", number) &&
              QueryStringValue(root.get(), L"", L"text", text) &&
              ReadValueAsText(root.get(), L"", L"text", text) &&
              RegistryKeyExists(root.get(), L"") &&
              WriteStringValue(root.get(), L"", L"written", L"w") == 0);
  EXPECT_TRUE(KeyExists(root.get(), L""));  // an open root with an empty path is left open

  const ScratchKey machine(HKEY_LOCAL_MACHINE, kKey);
  ASSERT_TRUE(SetText(HKEY_LOCAL_MACHINE, kKey, L"text", L"machine"));
  EXPECT_TRUE(ReadMachineValueAsText(L"text", kKey, text) && text == L"machine");
}
