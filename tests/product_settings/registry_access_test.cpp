// The registry readers and writer against Wine's registry, fed exact types
// and sizes, plus the data decoding on its own.

#include "library/product_settings/product_settings.h"

#include <gtest/gtest.h>

#include "library/product_settings/registry_value_text.h"
#include "tests/support/registry_value_support.h"
#include "tests/support/test_support.h"

using namespace vxtest;

namespace {

const wchar_t kKey[] = L"Software\\VxTestRegistryAccess";

class RegistryAccess : public ::testing::Test {
 protected:
  ScratchKey scratch_{HKEY_CURRENT_USER, kKey};
};

std::vector<BYTE> Bytes(std::initializer_list<BYTE> bytes) { return std::vector<BYTE>(bytes); }

}  // namespace

TEST(RegistryValueText, DecodesOnlyTheStoredBytes) {
  using namespace product_settings::detail;
  const wchar_t text[] = L"ab\0cd";
  const auto* data = reinterpret_cast<const BYTE*>(text);
  EXPECT_EQ(StoredText(data, 10), L"ab");
  EXPECT_EQ(StoredText(data + 6, 4), L"cd");  // no NUL: to the end, not one unit further
  EXPECT_EQ(StoredText(data + 6, 5), L"cd");  // an odd last byte is no unit
  EXPECT_EQ(StoredText(nullptr, 8), L"");

  const BYTE number[] = {0x78, 0x56, 0x34, 0x12, 0xFF};
  EXPECT_EQ(DwordFromBytes(number, 4), 0x12345678u);
  EXPECT_EQ(DwordFromBytes(number, 5), 0x12345678u);
  EXPECT_EQ(DwordFromBytes(number, 2), 0x5678u);
  EXPECT_EQ(DwordFromBytes(number, 0), 0u);

  EXPECT_EQ(ValueAsText(REG_DWORD, number, 4), L"305419896");
  const BYTE allOnes[] = {0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(ValueAsText(REG_DWORD, allOnes, 4), L"-1");
  EXPECT_EQ(ValueAsText(REG_BINARY, data, 4), L"ab");

  EXPECT_EQ(RetryBufferSize(402), 804u);
  EXPECT_FALSE(RetryBufferSize(0x80000000u).has_value());
}

TEST(RegistryValueText, StringAcceptance) {
  using namespace product_settings::detail;
  const wchar_t text[] = L"abc";
  const auto* data = reinterpret_cast<const BYTE*>(text);
  EXPECT_EQ(AcceptedStringText(REG_SZ, data, 8), L"abc");
  EXPECT_EQ(AcceptedStringText(REG_EXPAND_SZ, data, 8), L"abc");
  EXPECT_EQ(AcceptedStringText(REG_SZ, data, 0), L"");
  EXPECT_FALSE(AcceptedStringText(REG_SZ, data, 6));  // last unit is 'c'
  EXPECT_FALSE(AcceptedStringText(REG_SZ, data, 7));  // odd
  EXPECT_FALSE(AcceptedStringText(REG_MULTI_SZ, data, 8));
  EXPECT_FALSE(AcceptedStringText(REG_DWORD, data, 8));
}

TEST_F(RegistryAccess, QueryStringValueTakesAtMost520Bytes) {
  const std::wstring longest(259, L'x');
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kKey, L"longest", longest));
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kKey, L"tooLong", std::wstring(260, L'y')));
  ASSERT_EQ(ReadRawValue(HKEY_CURRENT_USER, kKey, L"longest")->data.size(), 520u);

  std::wstring value = L"before";
  EXPECT_TRUE(QueryStringValue(HKEY_CURRENT_USER, kKey, L"longest", value));
  EXPECT_EQ(value, longest);
  value = L"before";
  EXPECT_FALSE(QueryStringValue(HKEY_CURRENT_USER, kKey, L"tooLong", value));
  EXPECT_EQ(value, L"before");
}

TEST_F(RegistryAccess, QueryStringValueSizesAndTypes) {
  ASSERT_TRUE(SetRawValue(HKEY_CURRENT_USER, kKey, L"empty", REG_SZ, {}));
  ASSERT_TRUE(SetRawValue(HKEY_CURRENT_USER, kKey, L"odd", REG_SZ, Bytes({'a', 0, 0})));
  ASSERT_TRUE(SetRawValue(HKEY_CURRENT_USER, kKey, L"noNul", REG_SZ, UnitBytes(L"abc")));
  ASSERT_TRUE(
      SetRawValue(HKEY_CURRENT_USER, kKey, L"expand", REG_EXPAND_SZ, SzBytes(L"%TEMP%\\x")));
  ASSERT_TRUE(SetRawValue(HKEY_CURRENT_USER, kKey, L"inner", REG_SZ, SzBytes(L"ab\0cd")));
  ASSERT_TRUE(SetDword(HKEY_CURRENT_USER, kKey, L"number", 7));

  std::wstring value = L"before";
  EXPECT_TRUE(QueryStringValue(HKEY_CURRENT_USER, kKey, L"empty", value));
  EXPECT_EQ(value, L"");
  EXPECT_TRUE(QueryStringValue(HKEY_CURRENT_USER, kKey, L"expand", value));
  EXPECT_EQ(value, L"%TEMP%\\x");

  // Wine hands a REG_SZ stored without its NUL back with one appended and
  // counted; Windows hands back the stored bytes, which are refused (see
  // StringAcceptance). Either way nothing past the data is read.
  const bool apiTerminates = ReadRawValue(HKEY_CURRENT_USER, kKey, L"noNul")->data.size() == 8;
  value = L"before";
  EXPECT_EQ(QueryStringValue(HKEY_CURRENT_USER, kKey, L"noNul", value), apiTerminates);
  EXPECT_EQ(value, apiTerminates ? L"abc" : L"before");

  for (const wchar_t* refused : {L"odd", L"number", L"missing"}) {
    value = L"before";
    EXPECT_FALSE(QueryStringValue(HKEY_CURRENT_USER, kKey, refused, value)) << WideToUtf8(refused);
    EXPECT_EQ(value, L"before");
  }
  EXPECT_FALSE(QueryStringValue(HKEY_CURRENT_USER, L"Software\\VxTestNoSuchKey", L"x", value));
}

TEST_F(RegistryAccess, ReadValueAsTextOfEveryType) {
  const std::wstring twoHundred(200, L'q');
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kKey, L"long", twoHundred));  // 402 bytes: the retry
  ASSERT_TRUE(SetDword(HKEY_CURRENT_USER, kKey, L"seventyThousand", 70000));
  ASSERT_TRUE(SetDword(HKEY_CURRENT_USER, kKey, L"allOnes", 0xFFFFFFFF));
  ASSERT_TRUE(
      SetRawValue(HKEY_CURRENT_USER, kKey, L"expand", REG_EXPAND_SZ, SzBytes(L"%TEMP%\\x")));
  const std::wstring multi(L"first\0second\0", 14);
  ASSERT_TRUE(SetRawValue(HKEY_CURRENT_USER, kKey, L"multi", REG_MULTI_SZ, SzBytes(multi)));
  ASSERT_TRUE(
      SetRawValue(HKEY_CURRENT_USER, kKey, L"binary", REG_BINARY, Bytes({'h', 0, 'i', 0, 'x'})));

  const struct {
    const wchar_t* name;
    std::wstring expected;
  } cases[] = {
      {L"long", twoHundred},     {L"seventyThousand", L"70000"}, {L"allOnes", L"-1"},
      {L"expand", L"%TEMP%\\x"}, {L"multi", L"first"},           {L"binary", L"hi"},
  };
  for (const auto& c : cases) {
    std::wstring value;
    EXPECT_TRUE(ReadValueAsText(HKEY_CURRENT_USER, kKey, c.name, value)) << WideToUtf8(c.name);
    EXPECT_EQ(value, c.expected) << WideToUtf8(c.name);
  }
}

TEST_F(RegistryAccess, ReadValueAsTextStopsAtTheEndOfDataWithoutNul) {
  // Short (first query) and long (the retry): neither may read past the data.
  // REG_BINARY, because Wine terminates REG_SZ data itself.
  for (DWORD type : {REG_BINARY, REG_SZ}) {
    for (size_t units : {5u, 79u, 80u, 300u}) {
      const std::wstring text(units, L'n');
      ASSERT_TRUE(SetRawValue(HKEY_CURRENT_USER, kKey, L"noNul", type, UnitBytes(text)));
      std::wstring value;
      EXPECT_TRUE(ReadValueAsText(HKEY_CURRENT_USER, kKey, L"noNul", value));
      EXPECT_EQ(value, text) << units << " units of type " << type;
    }
  }
}

TEST_F(RegistryAccess, ReadersLeaveOutputsAloneOnFailure) {
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kKey, L"present", L"x"));
  std::wstring text = L"before";
  DWORD number = 99;
  EXPECT_FALSE(ReadValueAsText(HKEY_CURRENT_USER, kKey, L"missing", text));
  EXPECT_FALSE(ReadValueAsText(HKEY_CURRENT_USER, L"Software\\VxTestNoSuchKey", L"x", text));
  EXPECT_FALSE(QueryDwordValue(HKEY_CURRENT_USER, kKey, L"missing", number));
  EXPECT_FALSE(ReadDwordValue(HKEY_CURRENT_USER, L"Software\\VxTestNoSuchKey", L"x", number));
  EXPECT_EQ(text, L"before");
  EXPECT_EQ(number, 99u);
}

TEST_F(RegistryAccess, DwordReaders) {
  ASSERT_TRUE(SetDword(HKEY_CURRENT_USER, kKey, L"dword", 0xCAFEF00D));
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kKey, L"text", L"1"));
  ASSERT_TRUE(SetRawValue(HKEY_CURRENT_USER, kKey, L"binary4", REG_BINARY,
                          Bytes({0x78, 0x56, 0x34, 0x12})));
  ASSERT_TRUE(
      SetRawValue(HKEY_CURRENT_USER, kKey, L"binary8", REG_BINARY, std::vector<BYTE>(8, 1)));
  ASSERT_TRUE(SetRawValue(HKEY_CURRENT_USER, kKey, L"short", REG_DWORD, Bytes({0x34, 0x12})));
  ASSERT_TRUE(SetRawValue(HKEY_CURRENT_USER, kKey, L"none", REG_BINARY, {}));

  DWORD number = 99;
  EXPECT_TRUE(QueryDwordValue(HKEY_CURRENT_USER, kKey, L"dword", number));
  EXPECT_EQ(number, 0xCAFEF00Du);
  number = 99;
  EXPECT_FALSE(QueryDwordValue(HKEY_CURRENT_USER, kKey, L"text", number));
  EXPECT_FALSE(QueryDwordValue(HKEY_CURRENT_USER, kKey, L"binary4", number));
  // A REG_DWORD that is not 4 bytes long is malformed: nothing of it is taken.
  EXPECT_FALSE(QueryDwordValue(HKEY_CURRENT_USER, kKey, L"short", number));
  EXPECT_EQ(number, 99u);

  EXPECT_TRUE(ReadDwordValue(HKEY_CURRENT_USER, kKey, L"binary4", number));
  EXPECT_EQ(number, 0x12345678u);
  EXPECT_TRUE(ReadDwordValue(HKEY_CURRENT_USER, kKey, L"text", number));  // "1" and its NUL
  EXPECT_EQ(number, 0x31u);
  // Fewer than 4 bytes are zero-extended, never topped up with stale bytes.
  EXPECT_TRUE(ReadDwordValue(HKEY_CURRENT_USER, kKey, L"short", number));
  EXPECT_EQ(number, 0x1234u);
  EXPECT_TRUE(ReadDwordValue(HKEY_CURRENT_USER, kKey, L"none", number));
  EXPECT_EQ(number, 0u);
  number = 99;
  EXPECT_FALSE(ReadDwordValue(HKEY_CURRENT_USER, kKey, L"binary8", number));
  EXPECT_EQ(number, 99u);
}

TEST_F(RegistryAccess, KeyExistsAndMachineReader) {
  EXPECT_TRUE(RegistryKeyExists(HKEY_CURRENT_USER, kKey) ||
              SetText(HKEY_CURRENT_USER, kKey, L"x", L"x"));
  EXPECT_TRUE(RegistryKeyExists(HKEY_CURRENT_USER, kKey));
  EXPECT_FALSE(RegistryKeyExists(HKEY_CURRENT_USER, L"Software\\VxTestNoSuchKey"));

  const ScratchKey machine(HKEY_LOCAL_MACHINE, kKey);
  ASSERT_TRUE(SetText(HKEY_LOCAL_MACHINE, kKey, L"where", L"machine"));
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kKey, L"where", L"user"));
  std::wstring value;
  EXPECT_TRUE(ReadMachineValueAsText(L"where", kKey, value));
  EXPECT_EQ(value, L"machine");
}

TEST_F(RegistryAccess, WriteStringValueExactBytes) {
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kKey, L"seed", L""));
  const std::wstring longest(259, L'w');
  EXPECT_EQ(WriteStringValue(HKEY_CURRENT_USER, kKey, L"text", longest), 0);
  const auto raw = ReadRawValue(HKEY_CURRENT_USER, kKey, L"text");
  ASSERT_TRUE(raw);
  EXPECT_EQ(raw->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(raw->data, SzBytes(longest));
  std::wstring viaQuery, viaText;
  EXPECT_TRUE(QueryStringValue(HKEY_CURRENT_USER, kKey, L"text", viaQuery));
  EXPECT_TRUE(ReadValueAsText(HKEY_CURRENT_USER, kKey, L"text", viaText));
  EXPECT_EQ(viaQuery, longest);
  EXPECT_EQ(viaText, longest);

  EXPECT_EQ(WriteStringValue(HKEY_CURRENT_USER, kKey, L"empty", L""), 0);
  EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, kKey, L"empty")->data, Bytes({0, 0}));
}

TEST_F(RegistryAccess, WriteStringValueNeverCreatesTheKey) {
  const std::wstring missing = std::wstring(kKey) + L"\\Missing";
  EXPECT_EQ(WriteStringValue(HKEY_CURRENT_USER, missing, L"x", L"y"), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, missing));
}

TEST_F(RegistryAccess, AnOpenRootIsNeverClosed) {
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kKey, L"text", L"abc"));
  ASSERT_TRUE(SetDword(HKEY_CURRENT_USER, kKey, L"dword", 5));
  const fw::unique_hkey root = OpenTestKey(HKEY_CURRENT_USER, kKey);
  ASSERT_TRUE(root);
  std::wstring text;
  DWORD number = 0;
  // An empty path works on the root itself.
  EXPECT_TRUE(QueryDwordValue(root.get(), L"", L"dword", number));
  EXPECT_TRUE(ReadDwordValue(root.get(), L"", L"dword", number));
  EXPECT_TRUE(QueryStringValue(root.get(), L"", L"text", text));
  EXPECT_TRUE(ReadValueAsText(root.get(), L"", L"text", text));
  EXPECT_TRUE(RegistryKeyExists(root.get(), L""));
  EXPECT_EQ(WriteStringValue(root.get(), L"", L"written", L"w"), 0);
  EXPECT_FALSE(ReadValueAsText(root.get(), L"", L"missing", text));
  EXPECT_TRUE(HandleStillOpen(root.get()));
  EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, kKey, L"written")->data, SzBytes(L"w"));
}
