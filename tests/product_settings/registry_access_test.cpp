// The registry readers and writer against Wine's registry, fed exact types
// and sizes: one set of values, each routine's verdict on every one of them.

#include "library/product_settings/product_settings.h"

#include <gtest/gtest.h>

#include <optional>

#include "library/product_settings/registry_value_text.h"
#include "tests/support/registry_value_support.h"
#include "tests/support/test_support.h"

using namespace vxtest;

namespace {

const wchar_t kKey[] = L"Software\\VxTestRegistryAccess";
const std::wstring k259(259, L'x'), k200(200, L'q'), k300(300, L'n');

class RegistryAccess : public ::testing::Test {
 protected:
  void SetUp() override {
    const struct {
      const wchar_t* name;
      DWORD type;
      std::vector<BYTE> data;
    } values[] = {
        {L"sz259", REG_SZ, SzBytes(k259)},  // 520 bytes
        {L"sz260", REG_SZ, SzBytes(std::wstring(260, L'y'))},
        {L"sz200", REG_SZ, SzBytes(k200)},  // 402 bytes: past the first 160
        {L"empty", REG_SZ, {}},
        {L"odd", REG_SZ, {'a', 0, 0}},
        {L"expand", REG_EXPAND_SZ, SzBytes(L"%TEMP%\\x")},
        {L"multi", REG_MULTI_SZ, SzBytes(std::wstring(L"first\0second\0", 13))},
        {L"d70000", REG_DWORD, DwordBytes(70000)},
        {L"dAllOnes", REG_DWORD, DwordBytes(0xFFFFFFFF)},
        {L"dShort", REG_DWORD, {0x34, 0x12}},
        {L"bin4", REG_BINARY, {0x78, 0x56, 0x34, 0x12}},
        {L"bin8", REG_BINARY, std::vector<BYTE>(8, 1)},
        {L"binNoNul", REG_BINARY, UnitBytes(k300)},  // unterminated, through the retry
        {L"binHi", REG_BINARY, {'h', 0, 'i', 0, 'x'}},
    };
    for (const auto& v : values) {
      ASSERT_TRUE(SetRawValue(HKEY_CURRENT_USER, kKey, v.name, v.type, v.data));
    }
  }
  ScratchKey scratch_{HKEY_CURRENT_USER, kKey};
};

using Text = std::optional<std::wstring>;
using Number = std::optional<DWORD>;

}  // namespace

TEST_F(RegistryAccess, QueryStringValue) {
  const std::pair<const wchar_t*, Text> cases[] = {
      {L"sz259", k259},          {L"sz260", {}},  {L"empty", L""}, {L"odd", {}},
      {L"expand", L"%TEMP%\\x"}, {L"d70000", {}}, {L"binHi", {}},  {L"missing", {}},
  };
  for (const auto& [name, expected] : cases) {
    std::wstring value = L"before";
    EXPECT_EQ(QueryStringValue(HKEY_CURRENT_USER, kKey, name, value), expected.has_value())
        << WideToUtf8(name);
    EXPECT_EQ(value, expected.value_or(L"before")) << WideToUtf8(name);
  }
}

// Wine hands a REG_SZ stored without its NUL back with one appended (and
// counted); Windows hands back the stored bytes, which the reader refuses.
TEST_F(RegistryAccess, QueryStringValueOfAnUnterminatedText) {
  ASSERT_TRUE(SetRawValue(HKEY_CURRENT_USER, kKey, L"noNul", REG_SZ, UnitBytes(L"abc")));
  const bool apiTerminates = ReadRawValue(HKEY_CURRENT_USER, kKey, L"noNul")->data.size() == 8;
  std::wstring value = L"before";
  EXPECT_EQ(QueryStringValue(HKEY_CURRENT_USER, kKey, L"noNul", value), apiTerminates);
  EXPECT_EQ(value, apiTerminates ? L"abc" : L"before");

  const auto* data = reinterpret_cast<const BYTE*>(L"abc");
  EXPECT_FALSE(product_settings::detail::AcceptedStringText(REG_SZ, data, 6));
  EXPECT_EQ(product_settings::detail::AcceptedStringText(REG_SZ, data, 8), L"abc");
}

TEST_F(RegistryAccess, ReadValueAsText) {
  const std::pair<const wchar_t*, Text> cases[] = {
      {L"sz200", k200},          {L"sz260", std::wstring(260, L'y')},
      {L"d70000", L"70000"},     {L"dAllOnes", L"-1"},
      {L"expand", L"%TEMP%\\x"}, {L"multi", L"first"},
      {L"binNoNul", k300},       {L"binHi", L"hi"},
      {L"dShort", L"4660"},      {L"empty", L""},
      {L"missing", {}},
  };
  for (const auto& [name, expected] : cases) {
    std::wstring value = L"before";
    EXPECT_EQ(ReadValueAsText(HKEY_CURRENT_USER, kKey, name, value), expected.has_value())
        << WideToUtf8(name);
    EXPECT_EQ(value, expected.value_or(L"before")) << WideToUtf8(name);
  }
  std::wstring value;
  EXPECT_FALSE(ReadValueAsText(HKEY_CURRENT_USER, L"Software\\VxTestNoSuchKey", L"x", value));
}

// QueryDwordValue takes only a 4-byte REG_DWORD; ReadDwordValue takes up to 4
// bytes of anything, zero-extended, never topped up with stale bytes.
TEST_F(RegistryAccess, DwordReaders) {
  const struct {
    const wchar_t* name;
    Number query, read;
  } cases[] = {
      {L"d70000", 70000, 70000}, {L"dShort", {}, 0x1234}, {L"bin4", {}, 0x12345678},
      {L"bin8", {}, {}},         {L"empty", {}, 0},       {L"sz259", {}, {}},
      {L"missing", {}, {}},
  };
  for (const auto& c : cases) {
    DWORD query = 99, read = 99;
    EXPECT_EQ(QueryDwordValue(HKEY_CURRENT_USER, kKey, c.name, query), c.query.has_value());
    EXPECT_EQ(ReadDwordValue(HKEY_CURRENT_USER, kKey, c.name, read), c.read.has_value());
    EXPECT_EQ(query, c.query.value_or(99)) << WideToUtf8(c.name);
    EXPECT_EQ(read, c.read.value_or(99)) << WideToUtf8(c.name);
  }
}

TEST_F(RegistryAccess, WriteStringValue) {
  EXPECT_EQ(WriteStringValue(HKEY_CURRENT_USER, kKey, L"text", k259), 0);
  EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, kKey, L"text")->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, kKey, L"text")->data, SzBytes(k259));
  std::wstring viaQuery, viaText;
  EXPECT_TRUE(QueryStringValue(HKEY_CURRENT_USER, kKey, L"text", viaQuery));
  EXPECT_TRUE(ReadValueAsText(HKEY_CURRENT_USER, kKey, L"text", viaText));
  EXPECT_EQ(viaQuery, k259);
  EXPECT_EQ(viaText, k259);
  EXPECT_EQ(WriteStringValue(HKEY_CURRENT_USER, kKey, L"blank", L""), 0);
  EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, kKey, L"blank")->data, std::vector<BYTE>(2, 0));

  const std::wstring missing = std::wstring(kKey) + L"\\Missing";
  EXPECT_EQ(WriteStringValue(HKEY_CURRENT_USER, missing, L"x", L"y"), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, missing));
}

TEST_F(RegistryAccess, KeysAndRoots) {
  EXPECT_TRUE(RegistryKeyExists(HKEY_CURRENT_USER, kKey));
  EXPECT_FALSE(RegistryKeyExists(HKEY_CURRENT_USER, L"Software\\VxTestNoSuchKey"));

  // An open root with an empty path: the routines work on it and leave it open.
  const fw::unique_hkey root = OpenTestKey(HKEY_CURRENT_USER, kKey);
  std::wstring text;
  DWORD number = 0;
  EXPECT_TRUE(QueryDwordValue(root.get(), L"", L"d70000", number));
  EXPECT_TRUE(ReadDwordValue(root.get(), L"", L"d70000", number));
  EXPECT_TRUE(QueryStringValue(root.get(), L"", L"expand", text));
  EXPECT_TRUE(ReadValueAsText(root.get(), L"", L"sz200", text));
  EXPECT_TRUE(RegistryKeyExists(root.get(), L""));
  EXPECT_EQ(WriteStringValue(root.get(), L"", L"written", L"w"), 0);
  EXPECT_TRUE(HandleStillOpen(root.get()));

  const ScratchKey machine(HKEY_LOCAL_MACHINE, kKey);
  ASSERT_TRUE(SetText(HKEY_LOCAL_MACHINE, kKey, L"sz200", L"machine"));
  EXPECT_TRUE(ReadMachineValueAsText(L"sz200", kKey, text));
  EXPECT_EQ(text, L"machine");
}
