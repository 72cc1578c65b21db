// Product settings in Wine's registry: exact values and pieces written, the
// order of places read, and number text under a decimal-comma locale.

#include "library/temp_registry/temp_registry.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cwchar>

#include "library/temp_registry/setting_text.h"
#include "tests/support/registry_value_support.h"
#include "tests/support/test_support.h"

using namespace vxtest;
using namespace temp_registry::detail;

namespace {

const wchar_t kKey[] = L"Software\\VxTestSettings";
const wchar_t kSection[] = L"Software\\VxTestSettings\\General";

std::wstring Piece(size_t index) { return PieceValueName(L"Text", index); }

// Resets the process-wide product key name around each test.
class ProductKeyReset : public ::testing::Test {
 protected:
  ProductKeyReset() { ProductKeyName().clear(); }
  ~ProductKeyReset() override { ProductKeyName().clear(); }
};

class Settings : public ProductKeyReset {
 protected:
  bool WriteText(const std::wstring& text) {
    return WriteSettingValue(kKey, HKEY_CURRENT_USER, L"General", L"Text", SettingValueType::String,
                             text, nullptr, nullptr);
  }
  bool ReadText(std::wstring& text) {
    return ReadSettingValue(kKey, HKEY_CURRENT_USER, L"General", L"Text", SettingValueType::String,
                            &text, nullptr, nullptr);
  }
  ScratchKey scratch_{HKEY_CURRENT_USER, kKey};
};

// Sets a numeric locale for the test and puts the previous one back.
class ScopedNumericLocale {
 public:
  explicit ScopedNumericLocale(const char* name) {
    if (const char* current = std::setlocale(LC_NUMERIC, nullptr)) previous_ = current;
    set_ = std::setlocale(LC_NUMERIC, name) != nullptr;
  }
  ~ScopedNumericLocale() { std::setlocale(LC_NUMERIC, previous_.c_str()); }
  bool set() const { return set_; }

 private:
  std::string previous_;
  bool set_ = false;
};

}  // namespace

// ---- The storage rules on their own --------------------------------------------

TEST(SettingText, PieceNamesAndCuts) {
  EXPECT_EQ(PieceValueName(L"Path", 0), L"Path0+");
  EXPECT_EQ(PieceValueName(L"Path", 12), L"Path12+");

  const struct {
    size_t length;
    std::vector<size_t> pieces;
  } cases[] = {{0, {0}},
               {1, {1}},
               {1015, {1015}},
               {1016, {1015, 1}},
               {2030, {1015, 1015}},
               {2031, {1015, 1015, 1}}};
  for (const auto& c : cases) {
    std::wstring text;
    for (size_t i = 0; i < c.length; ++i) text += static_cast<wchar_t>(L'a' + i % 26);
    const std::vector<std::wstring> pieces = SplitIntoPieces(text);
    std::vector<size_t> lengths;
    std::wstring joined;
    for (const auto& piece : pieces) {
      lengths.push_back(piece.size());
      joined += piece;
    }
    EXPECT_EQ(lengths, c.pieces) << c.length;
    EXPECT_EQ(joined, text);
  }
}

TEST(SettingText, ViewerRuleIsCaseSensitive) {
  EXPECT_TRUE(IsUserOnlyProductKey(L"Quillforge\\Quillforge 2001 Viewer"));
  EXPECT_FALSE(IsUserOnlyProductKey(L"quillforge\\Quillforge 2001 viewer"));
  EXPECT_FALSE(IsUserOnlyProductKey(L"Quillforge\\Quillforge 2001 Viewer\\X"));
  EXPECT_FALSE(IsUserOnlyProductKey(L"Quillforge"));
}

TEST(SettingText, NumberText) {
  EXPECT_EQ(FormatSettingNumber(0.1), L"0.100000000000000006");
  EXPECT_EQ(FormatSettingNumber(2.5), L"2.5");
  EXPECT_EQ(FormatSettingNumber(1e21), L"1e+21");
  EXPECT_EQ(FormatSettingNumber(-3.0), L"-3");

  double value = 7;
  EXPECT_TRUE(ParseSettingNumber(L"2.5", value));
  EXPECT_EQ(value, 2.5);
  EXPECT_TRUE(ParseSettingNumber(L"0.100000000000000006", value));
  EXPECT_EQ(value, 0.1);
  value = 7;
  EXPECT_FALSE(ParseSettingNumber(L"abc", value));
  EXPECT_FALSE(ParseSettingNumber(L"", value));
  EXPECT_EQ(value, 7);
}

// The static C runtime under Wine knows "German_Germany.1252" (also "de_DE",
// not "de-DE"), whose separator is a comma: "2.5" then scans as 2.
TEST(SettingText, DecimalCommaLocaleNeitherLeaksInNorIsLost) {
  ScopedNumericLocale german("German_Germany.1252");
  ASSERT_TRUE(german.set()) << "no decimal-comma locale in this C runtime";
  ASSERT_STREQ(std::localeconv()->decimal_point, ",");
  double plain = 0;
  ASSERT_EQ(std::swscanf(L"2.5", L"%lf", &plain), 1);
  ASSERT_EQ(plain, 2.0) << "the locale does not change scanning; this test would prove nothing";
  const std::string before = std::setlocale(LC_NUMERIC, nullptr);

  double value = 0;
  EXPECT_TRUE(ParseSettingNumber(L"2.5", value));
  EXPECT_EQ(value, 2.5);
  EXPECT_EQ(FormatSettingNumber(2.5), L"2.5");
  EXPECT_EQ(std::setlocale(LC_NUMERIC, nullptr), before);
  EXPECT_STREQ(std::localeconv()->decimal_point, ",");
}

// ---- Strings and numbered pieces ------------------------------------------------

TEST_F(Settings, StringUpTo1022CharactersIsOnePlainValue) {
  const std::wstring text(1022, L'p');
  ASSERT_TRUE(WriteText(text));
  const auto raw = ReadRawValue(HKEY_CURRENT_USER, kSection, L"Text");
  ASSERT_TRUE(raw);
  EXPECT_EQ(raw->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(raw->data.size(), 2046u);
  EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kSection, Piece(0)));
  std::wstring back;
  EXPECT_TRUE(ReadText(back));
  EXPECT_EQ(back, text);
}

TEST_F(Settings, LongStringsBecomePiecesAtTheBoundaries) {
  const struct {
    size_t length;
    std::vector<size_t> pieces;
  } cases[] = {{1023, {1015, 8}}, {2030, {1015, 1015}}, {2031, {1015, 1015, 1}}};
  for (const auto& c : cases) {
    std::wstring text;
    for (size_t i = 0; i < c.length; ++i) text += static_cast<wchar_t>(L'A' + i % 23);
    ASSERT_TRUE(WriteText(text));
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kSection, L"Text")) << c.length;
    size_t offset = 0;
    for (size_t i = 0; i < c.pieces.size(); ++i) {
      const auto raw = ReadRawValue(HKEY_CURRENT_USER, kSection, Piece(i));
      ASSERT_TRUE(raw) << c.length << " piece " << i;
      EXPECT_EQ(raw->type, static_cast<DWORD>(REG_SZ));
      EXPECT_EQ(raw->data, SzBytes(text.substr(offset, c.pieces[i])));
      offset += c.pieces[i];
    }
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kSection, Piece(c.pieces.size()))) << c.length;
    std::wstring back;
    EXPECT_TRUE(ReadText(back));
    EXPECT_EQ(back, text) << c.length;
  }
}

TEST_F(Settings, OneFormReplacesTheOther) {
  ASSERT_TRUE(WriteText(std::wstring(2031, L'L')));
  ASSERT_TRUE(WriteText(L"short"));
  EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, kSection, L"Text")->data, SzBytes(L"short"));
  for (size_t i = 0; i < 3; ++i) EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kSection, Piece(i)));

  ASSERT_TRUE(WriteText(std::wstring(1023, L'M')));
  EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kSection, L"Text"));
  EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, kSection, Piece(1)));
}

TEST_F(Settings, PiecesAreReadUpToTheFirstGap) {
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kSection, Piece(0), L"zero"));
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kSection, Piece(2), L"two"));
  std::wstring text;
  EXPECT_TRUE(ReadText(text));
  EXPECT_EQ(text, L"zero");

  const fw::unique_hkey key = OpenTestKey(HKEY_CURRENT_USER, kSection);
  ASSERT_TRUE(key);
  EXPECT_TRUE(DeleteNumberedValues(key.get(), L"Text"));
  EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kSection, Piece(0)));
  EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, kSection, Piece(2)));

  // Nothing at all: false, and the text as it was.
  text = L"kept";
  EXPECT_FALSE(ReadText(text));
  EXPECT_EQ(text, L"kept");
}

TEST_F(Settings, PiecesAreAppendedToTheCallersText) {
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kSection, Piece(0), L"one"));
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kSection, Piece(1), L"two"));
  ASSERT_TRUE(SetDword(HKEY_CURRENT_USER, kSection, Piece(2), 3));  // not text: the end
  std::wstring text = L"pre:";
  EXPECT_TRUE(ReadText(text));
  EXPECT_EQ(text, L"pre:onetwo");

  const fw::unique_hkey key = OpenTestKey(HKEY_CURRENT_USER, kSection);
  text.clear();
  EXPECT_FALSE(ReadNumberedValues(key.get(), L"Text", text));  // false: something was read
  EXPECT_EQ(text, L"onetwo");
  EXPECT_TRUE(ReadNumberedValues(key.get(), L"Other", text));
  EXPECT_TRUE(ReadNumberedValues(nullptr, L"Text", text));
  EXPECT_EQ(text, L"onetwo");
}

TEST_F(Settings, UnterminatedTextsComeBackBounded) {
  ASSERT_TRUE(SetRawValue(HKEY_CURRENT_USER, kSection, L"Text", REG_SZ, UnitBytes(L"plain")));
  std::wstring text;
  EXPECT_TRUE(ReadText(text));
  EXPECT_EQ(text, L"plain");

  ASSERT_TRUE(SetRawValue(HKEY_CURRENT_USER, kSection, L"Num", REG_SZ, UnitBytes(L"2.5")));
  double value = 0;
  EXPECT_TRUE(ReadSettingValue(kKey, HKEY_CURRENT_USER, L"General", L"Num",
                               SettingValueType::Double, nullptr, nullptr, &value));
  EXPECT_EQ(value, 2.5);

  // 1024 units without a NUL fill the 2048-byte buffer exactly: all of them
  // and nothing beyond. 1025 no longer fit, so the pieces are read instead.
  ASSERT_TRUE(SetRawValue(HKEY_CURRENT_USER, kSection, L"Text", REG_SZ,
                          UnitBytes(std::wstring(1024, L'x'))));
  ASSERT_TRUE(SetRawValue(HKEY_CURRENT_USER, kSection, Piece(0), REG_SZ,
                          UnitBytes(std::wstring(1015, L'y'))));
  text.clear();
  EXPECT_TRUE(ReadText(text));
  EXPECT_EQ(text, std::wstring(1024, L'x'));

  ASSERT_TRUE(SetRawValue(HKEY_CURRENT_USER, kSection, L"Text", REG_SZ,
                          UnitBytes(std::wstring(1025, L'x'))));
  text.clear();
  EXPECT_TRUE(ReadText(text));
  EXPECT_EQ(text, std::wstring(1015, L'y'));
}

TEST_F(Settings, WriteNumberedValuesDirectly) {
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kSection, L"Text", L"plain"));
  {
    const fw::unique_hkey key = OpenTestKey(HKEY_CURRENT_USER, kSection);
    EXPECT_EQ(WriteNumberedValues(key.get(), L"Text", L""), 0);
  }
  EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kSection, L"Text"));
  EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, kSection, Piece(0))->data, SzBytes(L""));
  EXPECT_EQ(WriteNumberedValues(nullptr, L"Text", L"x"), 1);

  // A key that may not be written: failure, and nothing changed.
  const fw::unique_hkey readOnly = OpenTestKey(HKEY_CURRENT_USER, kSection, KEY_READ);
  EXPECT_EQ(WriteNumberedValues(readOnly.get(), L"Text", L"new"), 1);
  EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, kSection, Piece(0))->data, SzBytes(L""));
  EXPECT_TRUE(DeleteNumberedValues(nullptr, L"Text"));
}

// ---- Numbers ---------------------------------------------------------------------

TEST_F(Settings, DwordAndDoubleExactData) {
  const DWORD number = 0x01020304;
  ASSERT_TRUE(WriteSettingValue(kKey, HKEY_CURRENT_USER, L"General", L"Dword",
                                SettingValueType::Dword, L"", &number, nullptr));
  const auto dword = ReadRawValue(HKEY_CURRENT_USER, kSection, L"Dword");
  EXPECT_EQ(dword->type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(dword->data, std::vector<BYTE>({4, 3, 2, 1}));

  const struct {
    double value;
    const wchar_t* text;
  } cases[] = {{0.1, L"0.100000000000000006"}, {2.5, L"2.5"}, {1e21, L"1e+21"}};
  for (const auto& c : cases) {
    ASSERT_TRUE(WriteSettingValue(kKey, HKEY_CURRENT_USER, L"General", L"Double",
                                  SettingValueType::Double, L"", nullptr, &c.value));
    const auto raw = ReadRawValue(HKEY_CURRENT_USER, kSection, L"Double");
    EXPECT_EQ(raw->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(raw->data, SzBytes(c.text));
    double back = 0;
    EXPECT_TRUE(ReadSettingValue(kKey, HKEY_CURRENT_USER, L"General", L"Double",
                                 SettingValueType::Double, nullptr, nullptr, &back));
    EXPECT_EQ(back, c.value);
  }

  // Any type code other than Dword and String is a Double.
  const double value = 4.25;
  ASSERT_TRUE(WriteSettingValue(kKey, HKEY_CURRENT_USER, L"General", L"Odd",
                                static_cast<SettingValueType>(7), L"", nullptr, &value));
  EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, kSection, L"Odd")->data, SzBytes(L"4.25"));
}

TEST_F(Settings, DoubleUnderADecimalCommaLocale) {
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kSection, L"Double", L"2.5"));
  ScopedNumericLocale german("German_Germany.1252");
  ASSERT_TRUE(german.set());
  double value = 0;
  EXPECT_TRUE(ReadSettingValue(kKey, HKEY_CURRENT_USER, L"General", L"Double",
                               SettingValueType::Double, nullptr, nullptr, &value));
  EXPECT_EQ(value, 2.5);
  const double written = 0.5;
  EXPECT_TRUE(WriteSettingValue(kKey, HKEY_CURRENT_USER, L"General", L"Written",
                                SettingValueType::Double, L"", nullptr, &written));
  EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, kSection, L"Written")->data, SzBytes(L"0.5"));
  EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "German_Germany.1252");
}

TEST_F(Settings, TypeMismatchesAreFailuresNotConversions) {
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kSection, L"Text", L"12"));
  ASSERT_TRUE(SetDword(HKEY_CURRENT_USER, kSection, L"Dword", 12));
  ASSERT_TRUE(SetRawValue(HKEY_CURRENT_USER, kSection, L"Short", REG_DWORD, {1, 2}));
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kSection, L"NotANumber", L"abc"));

  DWORD number = 99;
  std::wstring text = L"kept";
  double value = 9.5;
  const auto read = [&](const wchar_t* name, SettingValueType type) {
    return ReadSettingValue(kKey, HKEY_CURRENT_USER, L"General", name, type, &text, &number,
                            &value);
  };
  EXPECT_FALSE(read(L"Text", SettingValueType::Dword));
  EXPECT_FALSE(read(L"Short", SettingValueType::Dword));  // a REG_DWORD must be 4 bytes
  EXPECT_FALSE(read(L"Dword", SettingValueType::String));
  EXPECT_FALSE(read(L"Dword", SettingValueType::Double));
  EXPECT_EQ(number, 99u);
  EXPECT_EQ(text, L"kept");
  EXPECT_EQ(value, 9.5);

  // Text that is no number is still a found setting; the number stays.
  EXPECT_TRUE(read(L"NotANumber", SettingValueType::Double));
  EXPECT_EQ(value, 9.5);
  // Only the variable of the type is touched.
  EXPECT_TRUE(read(L"Dword", SettingValueType::Dword));
  EXPECT_EQ(number, 12u);
  EXPECT_EQ(text, L"kept");
  EXPECT_EQ(value, 9.5);
}

TEST_F(Settings, AMissingVariableOfTheTypeIsRefused) {
  ASSERT_TRUE(SetDword(HKEY_CURRENT_USER, kSection, L"Dword", 12));
  EXPECT_FALSE(ReadSettingValue(kKey, HKEY_CURRENT_USER, L"General", L"Dword",
                                SettingValueType::Dword, nullptr, nullptr, nullptr));
  EXPECT_FALSE(WriteSettingValue(kKey, HKEY_CURRENT_USER, L"General", L"New",
                                 SettingValueType::Dword, L"", nullptr, nullptr));
  EXPECT_FALSE(WriteSettingValue(kKey, HKEY_CURRENT_USER, L"General", L"New",
                                 SettingValueType::Double, L"", nullptr, nullptr));
  EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kSection, L"New"));
}

// ---- Keys -------------------------------------------------------------------------

TEST_F(Settings, EmptySectionAndAnOpenRoot) {
  const fw::unique_hkey root = [] {
    SetText(HKEY_CURRENT_USER, kKey, L"seed", L"");
    return OpenTestKey(HKEY_CURRENT_USER, kKey);
  }();
  ASSERT_TRUE(root);
  const DWORD number = 5;
  // Empty path and empty section: the value lies in the root key itself.
  EXPECT_TRUE(WriteSettingValue(L"", root.get(), L"", L"Top", SettingValueType::Dword, L"", &number,
                                nullptr));
  EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, kKey, L"Top"));
  DWORD back = 0;
  EXPECT_TRUE(ReadSettingValue(L"", root.get(), L"", L"Top", SettingValueType::Dword, nullptr,
                               &back, nullptr));
  EXPECT_EQ(back, 5u);
  EXPECT_TRUE(WriteSettingValue(L"", root.get(), L"A\\B", L"Deep", SettingValueType::String,
                                L"deep", nullptr, nullptr));
  EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, std::wstring(kKey) + L"\\A\\B", L"Deep")->data,
            SzBytes(L"deep"));
  EXPECT_FALSE(ReadSettingValue(L"Missing", root.get(), L"", L"Top", SettingValueType::Dword,
                                nullptr, &back, nullptr));
  EXPECT_TRUE(HandleStillOpen(root.get()));
}

TEST_F(Settings, AKeyThatCannotBeCreatedFailsTheWrite) {
  // Wine, like Windows, refuses a lasting key below a volatile one.
  fw::unique_hkey volatileKey;
  ASSERT_EQ(
      ::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\VxTestSettings\\Volatile", 0, nullptr,
                        REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, volatileKey.put(), nullptr),
      ERROR_SUCCESS);
  EXPECT_FALSE(WriteSettingValue(L"Product", volatileKey.get(), L"", L"Text",
                                 SettingValueType::String, L"x", nullptr, nullptr));
  EXPECT_FALSE(KeyExists(volatileKey.get(), L"Product"));
}

// ---- The product key and the places read -------------------------------------------

TEST_F(ProductKeyReset, ProductKeyNameDefaultsWhenTaken) {
  EXPECT_EQ(ProductKeyName(), L"");
  EXPECT_EQ(TakeProductKeyName(), L"Quillforge");
  EXPECT_EQ(ProductKeyName(), L"Quillforge");
  SetProductKeyName(L"Quillforge 2001 Viewer");
  EXPECT_EQ(ProductKeyName(), L"Quillforge\\Quillforge 2001 Viewer");
  EXPECT_EQ(TakeProductKeyName(), L"Quillforge\\Quillforge 2001 Viewer");
}

namespace {

const wchar_t kProduct[] = L"VxTestProduct";
const wchar_t kProductSection[] = L"Software\\VxTestProduct\\General";
const wchar_t kDefaultUserSection[] = L".DEFAULT\\Software\\VxTestProduct\\General";

class ProductSettings : public ProductKeyReset {
 protected:
  bool Read(std::wstring& text, bool machineOnly = false, bool useProductKey = true,
            const std::wstring& productKey = kProduct) {
    return ReadProductSetting(L"General", L"Where", SettingValueType::String, &text, nullptr,
                              nullptr, machineOnly, useProductKey, productKey);
  }
  ScratchKey user_{HKEY_CURRENT_USER, L"Software\\VxTestProduct"};
  ScratchKey machine_{HKEY_LOCAL_MACHINE, L"Software\\VxTestProduct"};
  ScratchKey defaultUser_{HKEY_USERS, L".DEFAULT\\Software\\VxTestProduct"};
  ScratchKey other_{HKEY_CURRENT_USER, L"Software\\VxTestOther"};
  ScratchKey bareSection_{HKEY_CURRENT_USER, L"Software\\VxTestBareSection"};
};

}  // namespace

TEST_F(ProductSettings, UserThenMachineThenDefaultUser) {
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kProductSection, L"Where", L"user"));
  ASSERT_TRUE(SetText(HKEY_LOCAL_MACHINE, kProductSection, L"Where", L"machine"));
  ASSERT_TRUE(SetText(HKEY_USERS, kDefaultUserSection, L"Where", L"default"));
  std::wstring text;
  EXPECT_TRUE(Read(text));
  EXPECT_EQ(text, L"user");
  EXPECT_TRUE(Read(text, /*machineOnly=*/true));
  EXPECT_EQ(text, L"machine");

  DeleteTree(HKEY_CURRENT_USER, L"Software\\VxTestProduct");
  EXPECT_TRUE(Read(text));
  EXPECT_EQ(text, L"machine");

  DeleteTree(HKEY_LOCAL_MACHINE, L"Software\\VxTestProduct");
  EXPECT_TRUE(Read(text));
  EXPECT_EQ(text, L"default");
  EXPECT_TRUE(Read(text, /*machineOnly=*/true));
  EXPECT_EQ(text, L"default");

  DeleteTree(HKEY_USERS, L".DEFAULT\\Software\\VxTestProduct");
  text = L"kept";
  EXPECT_FALSE(Read(text));
  EXPECT_EQ(text, L"kept");
}

TEST_F(ProductSettings, MachineOnlyNeverLooksInTheUsersHive) {
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kProductSection, L"Where", L"user"));
  ProductKeyName() = kProduct;
  std::wstring text = L"kept";
  EXPECT_FALSE(Read(text, /*machineOnly=*/true));
  EXPECT_FALSE(Read(text, /*machineOnly=*/true, /*useProductKey=*/true, L""));
  EXPECT_EQ(text, L"kept");
}

TEST_F(ProductSettings, UserHiveUnderTheCurrentProductKeyName) {
  // Not under the explicit key, but under ProductKeyName as it stands.
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, L"Software\\VxTestOther\\General", L"Where", L"other"));
  ASSERT_TRUE(SetText(HKEY_LOCAL_MACHINE, kProductSection, L"Where", L"machine"));
  ProductKeyName() = L"VxTestOther";
  std::wstring text;
  EXPECT_TRUE(Read(text));
  EXPECT_EQ(text, L"other");

  // Empty: the section is looked for directly below Software.
  ProductKeyName().clear();
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, L"Software\\VxTestBareSection", L"Where", L"bare"));
  EXPECT_TRUE(ReadProductSetting(L"VxTestBareSection", L"Where", SettingValueType::String, &text,
                                 nullptr, nullptr, false, true, kProduct));
  EXPECT_EQ(text, L"bare");
  EXPECT_EQ(ProductKeyName(), L"");  // an explicit key leaves the name alone
}

TEST_F(ProductSettings, ProductKeyChoice) {
  ASSERT_TRUE(SetText(HKEY_LOCAL_MACHINE, kProductSection, L"Where", L"machine"));
  std::wstring text;
  ProductKeyName() = kProduct;
  EXPECT_TRUE(Read(text, false, /*useProductKey=*/true, L""));
  EXPECT_EQ(text, L"machine");
  // Without the flag the product key is "Quillforge", whatever the name says.
  text.clear();
  EXPECT_FALSE(Read(text, true, /*useProductKey=*/false, L""));

  ProductKeyName().clear();
  EXPECT_FALSE(Read(text, true, /*useProductKey=*/false, L""));
  EXPECT_EQ(ProductKeyName(), L"");
  Read(text, true, /*useProductKey=*/true, L"");
  EXPECT_EQ(ProductKeyName(), L"Quillforge");
}

TEST_F(ProductSettings, ViewerSettingsComeFromTheUsersHiveOnly) {
  const RemoveIfCreated userProduct(HKEY_CURRENT_USER, L"Software\\Quillforge");
  const RemoveIfCreated machineProduct(HKEY_LOCAL_MACHINE, L"Software\\Quillforge");
  const ScratchKey userViewer(HKEY_CURRENT_USER, L"Software\\Quillforge\\Quillforge 2001 Viewer");
  const ScratchKey machineViewer(HKEY_LOCAL_MACHINE,
                                 L"Software\\Quillforge\\Quillforge 2001 Viewer");
  const std::wstring section = L"Software\\Quillforge\\Quillforge 2001 Viewer\\General";
  ASSERT_TRUE(SetText(HKEY_LOCAL_MACHINE, section, L"Where", L"machine"));

  SetProductKeyName(L"Quillforge 2001 Viewer");
  std::wstring text = L"kept";
  EXPECT_FALSE(Read(text, false, true, L""));
  EXPECT_FALSE(Read(text, false, false, L"Quillforge\\Quillforge 2001 Viewer"));
  EXPECT_EQ(text, L"kept");
  // The rule is for the user's hive; machine-only reads still find it.
  EXPECT_TRUE(Read(text, true, true, L""));
  EXPECT_EQ(text, L"machine");
  // Another spelling is another product key.
  text.clear();
  EXPECT_TRUE(Read(text, false, false, L"Quillforge\\quillforge 2001 viewer"));
  EXPECT_EQ(text, L"machine");

  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, section, L"Where", L"user"));
  EXPECT_TRUE(Read(text, false, true, L""));
  EXPECT_EQ(text, L"user");
}

TEST_F(ProductSettings, WriteGoesToTheUsersHiveOnly) {
  ProductKeyName() = kProduct;
  const DWORD number = 42;
  ASSERT_TRUE(WriteProductSetting(L"General", L"Count", SettingValueType::Dword, L"", &number,
                                  nullptr, /*useProductKey=*/true));
  EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, kProductSection, L"Count")->type,
            static_cast<DWORD>(REG_DWORD));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\VxTestProduct"));
  DWORD back = 0;
  EXPECT_TRUE(ReadProductSetting(L"General", L"Count", SettingValueType::Dword, nullptr, &back,
                                 nullptr, false, true));
  EXPECT_EQ(back, 42u);

  // Without the flag: below "Quillforge".
  const RemoveIfCreated product(HKEY_CURRENT_USER, L"Software\\Quillforge");
  const ScratchKey section(HKEY_CURRENT_USER, L"Software\\Quillforge\\VxTestSection");
  ASSERT_TRUE(WriteProductSetting(L"VxTestSection", L"Text", SettingValueType::String, L"q",
                                  nullptr, nullptr, /*useProductKey=*/false));
  EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, L"Software\\Quillforge\\VxTestSection", L"Text")->data,
            SzBytes(L"q"));
}
