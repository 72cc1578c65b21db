// Product settings in Wine's registry: the exact values and pieces written,
// the order of places read, and number text under a decimal-comma locale.

#include "library/temp_registry/temp_registry.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cwchar>

#include "library/temp_registry/setting_text.h"
#include "tests/support/registry_value_support.h"
#include "tests/support/test_support.h"

using namespace vxtest;
using Type = SettingValueType;

namespace {

const wchar_t kKey[] = L"Software\\VxTestSettings";
const wchar_t kSection[] = L"Software\\VxTestSettings\\General";

std::wstring Piece(size_t index) { return temp_registry::detail::PieceValueName(L"Text", index); }
bool Exists(const std::wstring& name) {
  return ReadRawValue(HKEY_CURRENT_USER, kSection, name).has_value();
}
std::vector<BYTE> Stored(const std::wstring& name) {
  const auto raw = ReadRawValue(HKEY_CURRENT_USER, kSection, name);
  return raw ? raw->data : std::vector<BYTE>{};
}

// Starts and ends every test with an empty product key name.
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
  ScratchKey scratch_{HKEY_CURRENT_USER, kKey};
};

// The static C runtime under Wine knows "German_Germany.1252" (also "de_DE",
// not "de-DE"); its separator is a comma, so a plain scan of "2.5" gives 2.
class GermanNumbers {
 public:
  GermanNumbers() : previous_(std::setlocale(LC_NUMERIC, nullptr)) {
    set_ = std::setlocale(LC_NUMERIC, "German_Germany.1252") != nullptr;
    double plain = 0;
    set_ = set_ && std::swscanf(L"2.5", L"%lf", &plain) == 1 && plain == 2.0;
  }
  ~GermanNumbers() { std::setlocale(LC_NUMERIC, previous_.c_str()); }
  bool set() const { return set_; }

 private:
  std::string previous_;
  bool set_ = false;
};

}  // namespace

TEST_F(Settings, StringsAndPiecesAtTheBoundaries) {
  const struct {
    size_t length;
    std::vector<size_t> pieces;  // none: one plain value
  } cases[] = {{1022, {}},
               {1023, {1015, 8}},
               {2030, {1015, 1015}},
               {2031, {1015, 1015, 1}},
               {5, {}}};  // short after long, and long after short before it
  for (const auto& c : cases) {
    std::wstring text;
    for (size_t i = 0; i < c.length; ++i) text += static_cast<wchar_t>(L'A' + i % 23);
    ASSERT_TRUE(Write(Type::String, L"Text", text));
    if (c.pieces.empty()) {
      EXPECT_EQ(Stored(L"Text"), SzBytes(text));  // 1022: 2046 bytes
    } else {
      EXPECT_FALSE(Exists(L"Text")) << c.length;
    }
    size_t offset = 0;
    for (size_t i = 0; i < c.pieces.size(); ++i) {
      EXPECT_EQ(Stored(Piece(i)), SzBytes(text.substr(offset, c.pieces[i])))
          << c.length << "/" << i;
      offset += c.pieces[i];
    }
    EXPECT_FALSE(Exists(Piece(c.pieces.size()))) << c.length;
    std::wstring back;
    EXPECT_TRUE(Read(Type::String, L"Text", &back));
    EXPECT_EQ(back, text) << c.length;
  }
}

TEST_F(Settings, PiecesAreReadUpToTheFirstGapAndAppended) {
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kSection, Piece(0), L"zero"));
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kSection, Piece(2), L"two"));
  std::wstring text = L"pre:";  // appended to, not replaced
  EXPECT_TRUE(Read(Type::String, L"Text", &text));
  EXPECT_EQ(text, L"pre:zero");

  const fw::unique_hkey key = OpenTestKey(HKEY_CURRENT_USER, kSection);
  EXPECT_TRUE(DeleteNumberedValues(key.get(), L"Text"));
  EXPECT_FALSE(Exists(Piece(0)));
  EXPECT_TRUE(Exists(Piece(2)));  // beyond the gap
  text = L"kept";
  EXPECT_FALSE(Read(Type::String, L"Text", &text));
  EXPECT_TRUE(ReadNumberedValues(key.get(), L"Text", text));  // true: nothing read
  EXPECT_EQ(text, L"kept");

  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kSection, Piece(0), L"one"));
  ASSERT_TRUE(SetRawValue(HKEY_CURRENT_USER, kSection, Piece(1), REG_DWORD, DwordBytes(1)));
  text.clear();
  EXPECT_FALSE(ReadNumberedValues(key.get(), L"Text", text));  // false: something was read
  EXPECT_EQ(text, L"one");                                     // a non-text piece ends it
  EXPECT_TRUE(ReadNumberedValues(nullptr, L"Text", text));
  EXPECT_TRUE(DeleteNumberedValues(nullptr, L"Text"));
}

TEST_F(Settings, UnterminatedTextsComeBackBounded) {
  // 1024 units without a NUL fill the 2048-byte buffer exactly: all of them
  // and nothing beyond. 1025 no longer fit, so the pieces are read instead.
  ASSERT_TRUE(SetRawValue(HKEY_CURRENT_USER, kSection, Piece(0), REG_SZ,
                          UnitBytes(std::wstring(1015, L'y'))));
  for (size_t units : {5u, 1024u, 1025u}) {
    ASSERT_TRUE(SetRawValue(HKEY_CURRENT_USER, kSection, L"Text", REG_SZ,
                            UnitBytes(std::wstring(units, L'x'))));
    std::wstring text;
    EXPECT_TRUE(Read(Type::String, L"Text", &text));
    EXPECT_EQ(text, units <= 1024 ? std::wstring(units, L'x') : std::wstring(1015, L'y'));
  }
  ASSERT_TRUE(SetRawValue(HKEY_CURRENT_USER, kSection, L"Num", REG_SZ, UnitBytes(L"2.5")));
  double value = 0;
  EXPECT_TRUE(Read(Type::Double, L"Num", nullptr, nullptr, &value));
  EXPECT_EQ(value, 2.5);
}

TEST_F(Settings, WriteNumberedValuesDirectly) {
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kSection, L"Text", L"plain"));
  const fw::unique_hkey key = OpenTestKey(HKEY_CURRENT_USER, kSection);
  EXPECT_EQ(WriteNumberedValues(key.get(), L"Text", L""), 0);
  EXPECT_FALSE(Exists(L"Text"));
  EXPECT_EQ(Stored(Piece(0)), SzBytes(L""));  // an empty text is one empty piece
  EXPECT_EQ(WriteNumberedValues(nullptr, L"Text", L"x"), 1);
  const fw::unique_hkey readOnly = OpenTestKey(HKEY_CURRENT_USER, kSection, KEY_READ);
  EXPECT_EQ(WriteNumberedValues(readOnly.get(), L"Text", L"new"), 1);
  EXPECT_EQ(Stored(Piece(0)), SzBytes(L""));
}

TEST_F(Settings, NumbersExactly) {
  const DWORD number = 0x01020304;
  ASSERT_TRUE(Write(Type::Dword, L"Dword", L"", &number));
  EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, kSection, L"Dword")->type,
            static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(Stored(L"Dword"), DwordBytes(number));

  const std::pair<double, const wchar_t*> cases[] = {
      {0.1, L"0.100000000000000006"}, {2.5, L"2.5"}, {1e21, L"1e+21"}};
  for (const auto& [value, text] : cases) {
    ASSERT_TRUE(Write(Type::Double, L"Double", L"", nullptr, &value));
    EXPECT_EQ(Stored(L"Double"), SzBytes(text));
    double back = 0;
    EXPECT_TRUE(Read(Type::Double, L"Double", nullptr, nullptr, &back));
    EXPECT_EQ(back, value);
  }
  const double quarter = 4.25;  // any type code but Dword and String is a Double
  ASSERT_TRUE(Write(static_cast<Type>(7), L"Odd", L"", nullptr, &quarter));
  EXPECT_EQ(Stored(L"Odd"), SzBytes(L"4.25"));
}

TEST_F(Settings, DoubleUnderADecimalCommaLocale) {
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kSection, L"Double", L"2.5"));
  const GermanNumbers german;
  ASSERT_TRUE(german.set()) << "no locale with a decimal comma: this test would prove nothing";
  const std::string before = std::setlocale(LC_NUMERIC, nullptr);
  double value = 0;
  EXPECT_TRUE(Read(Type::Double, L"Double", nullptr, nullptr, &value));
  EXPECT_EQ(value, 2.5);
  const double half = 0.5;
  EXPECT_TRUE(Write(Type::Double, L"Written", L"", nullptr, &half));
  EXPECT_EQ(Stored(L"Written"), SzBytes(L"0.5"));
  EXPECT_EQ(std::setlocale(LC_NUMERIC, nullptr), before);
  EXPECT_STREQ(std::localeconv()->decimal_point, ",");
}

TEST_F(Settings, MismatchesAndMissingVariablesFail) {
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kSection, L"Text", L"12"));
  ASSERT_TRUE(SetRawValue(HKEY_CURRENT_USER, kSection, L"Dword", REG_DWORD, DwordBytes(12)));
  ASSERT_TRUE(SetRawValue(HKEY_CURRENT_USER, kSection, L"Short", REG_DWORD, {1, 2}));
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kSection, L"Word", L"abc"));
  DWORD number = 99;
  std::wstring text = L"kept";
  double value = 9.5;
  EXPECT_FALSE(Read(Type::Dword, L"Text", &text, &number, &value));
  EXPECT_FALSE(Read(Type::Dword, L"Short", &text, &number, &value));  // not 4 bytes
  EXPECT_FALSE(Read(Type::String, L"Dword", &text, &number, &value));
  EXPECT_FALSE(Read(Type::Double, L"Dword", &text, &number, &value));
  EXPECT_TRUE(Read(Type::Double, L"Word", &text, &number, &value));  // found, yet no number
  EXPECT_EQ(number, 99u);
  EXPECT_EQ(text, L"kept");
  EXPECT_EQ(value, 9.5);

  // The variable of the type must be there; without it nothing is read or written.
  EXPECT_FALSE(Read(Type::Dword, L"Dword", &text, nullptr, &value));
  EXPECT_FALSE(Write(Type::Dword, L"New", L""));
  EXPECT_FALSE(Write(Type::Double, L"New", L""));
  EXPECT_FALSE(Exists(L"New"));
}

TEST_F(Settings, KeysRootsAndSections) {
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kKey, L"seed", L""));
  const fw::unique_hkey root = OpenTestKey(HKEY_CURRENT_USER, kKey);
  const DWORD five = 5;
  DWORD back = 0;
  // Empty path and section: the value lies in the given key itself.
  EXPECT_TRUE(WriteSettingValue(L"", root.get(), L"", L"Top", Type::Dword, L"", &five, nullptr));
  EXPECT_TRUE(ReadSettingValue(L"", root.get(), L"", L"Top", Type::Dword, nullptr, &back, nullptr));
  EXPECT_EQ(back, 5u);
  EXPECT_TRUE(
      WriteSettingValue(L"A", root.get(), L"B\\C", L"Deep", Type::String, L"d", nullptr, nullptr));
  EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, std::wstring(kKey) + L"\\A\\B\\C", L"Deep")->data,
            SzBytes(L"d"));
  EXPECT_FALSE(
      ReadSettingValue(L"Missing", root.get(), L"", L"Top", Type::Dword, nullptr, &back, nullptr));
  EXPECT_TRUE(HandleStillOpen(root.get()));

  // Wine, like Windows, refuses a lasting key below a volatile one.
  fw::unique_hkey volatileKey;
  ASSERT_EQ(::RegCreateKeyExW(root.get(), L"Volatile", 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, volatileKey.put(), nullptr),
            ERROR_SUCCESS);
  EXPECT_FALSE(WriteSettingValue(L"Product", volatileKey.get(), L"", L"Text", Type::String, L"x",
                                 nullptr, nullptr));
  EXPECT_FALSE(KeyExists(volatileKey.get(), L"Product"));
}

// ---- The product key and the places read ---------------------------------------

namespace {

const wchar_t kProduct[] = L"VxTestProduct";
const wchar_t kProductSection[] = L"Software\\VxTestProduct\\General";

class ProductSettings : public Settings {
 protected:
  bool ReadWhere(std::wstring& text, bool machineOnly, bool useProductKey = true,
                 const std::wstring& productKey = kProduct) {
    return ReadProductSetting(L"General", L"Where", Type::String, &text, nullptr, nullptr,
                              machineOnly, useProductKey, productKey);
  }
  ScratchKey user_{HKEY_CURRENT_USER, L"Software\\VxTestProduct"};
  ScratchKey machine_{HKEY_LOCAL_MACHINE, L"Software\\VxTestProduct"};
  ScratchKey defaultUser_{HKEY_USERS, L".DEFAULT\\Software\\VxTestProduct"};
  ScratchKey other_{HKEY_CURRENT_USER, L"Software\\VxTestOther"};
};

}  // namespace

TEST_F(ProductSettings, UserThenMachineThenDefaultUser) {
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kProductSection, L"Where", L"user"));
  ASSERT_TRUE(SetText(HKEY_LOCAL_MACHINE, kProductSection, L"Where", L"machine"));
  ASSERT_TRUE(
      SetText(HKEY_USERS, std::wstring(L".DEFAULT\\") + kProductSection, L"Where", L"default"));
  const struct {
    HKEY root;
    const wchar_t* path;  // removed after this step
    const wchar_t *found, *machineOnlyFound;
  } steps[] = {
      {HKEY_CURRENT_USER, L"Software\\VxTestProduct", L"user", L"machine"},
      {HKEY_LOCAL_MACHINE, L"Software\\VxTestProduct", L"machine", L"machine"},
      {HKEY_USERS, L".DEFAULT\\Software\\VxTestProduct", L"default", L"default"},
      {nullptr, nullptr, nullptr, nullptr},
  };
  for (const auto& step : steps) {
    std::wstring text = L"kept", machineText = L"kept";
    EXPECT_EQ(ReadWhere(text, false), step.found != nullptr);
    EXPECT_EQ(ReadWhere(machineText, true), step.found != nullptr);
    EXPECT_EQ(text, step.found ? step.found : L"kept");
    EXPECT_EQ(machineText, step.found ? step.machineOnlyFound : L"kept");
    if (step.root) DeleteTree(step.root, step.path);
  }
}

TEST_F(ProductSettings, UserHiveAlsoUnderTheCurrentProductKeyName) {
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, L"Software\\VxTestOther\\General", L"Where", L"other"));
  ASSERT_TRUE(SetText(HKEY_LOCAL_MACHINE, kProductSection, L"Where", L"machine"));
  ProductKeyName() = L"VxTestOther";
  std::wstring text;
  EXPECT_TRUE(ReadWhere(text, false));
  EXPECT_EQ(text, L"other");
  // Empty: the section lies directly below Software; an explicit key leaves the name alone.
  ProductKeyName().clear();
  EXPECT_TRUE(ReadProductSetting(L"VxTestOther\\General", L"Where", Type::String, &text, nullptr,
                                 nullptr, false, true, kProduct));
  EXPECT_EQ(text, L"other");
  EXPECT_EQ(ProductKeyName(), L"");

  // Without an explicit key: ProductKeyName with the flag (defaulted when
  // empty), else "Quillforge" and the name untouched.
  ProductKeyName() = kProduct;
  EXPECT_TRUE(ReadWhere(text, true, true, L""));
  EXPECT_FALSE(ReadWhere(text, true, false, L""));
  ProductKeyName().clear();
  EXPECT_FALSE(ReadWhere(text, true, false, L""));
  EXPECT_EQ(ProductKeyName(), L"");
  ReadWhere(text, true, true, L"");
  EXPECT_EQ(ProductKeyName(), L"Quillforge");
  SetProductKeyName(L"Quillforge 2001 Viewer");
  EXPECT_EQ(TakeProductKeyName(), L"Quillforge\\Quillforge 2001 Viewer");
}

TEST_F(ProductSettings, ViewerSettingsComeFromTheUsersHiveOnly) {
  const RemoveIfCreated userProduct(HKEY_CURRENT_USER, L"Software\\Quillforge");
  const RemoveIfCreated machineProduct(HKEY_LOCAL_MACHINE, L"Software\\Quillforge");
  const std::wstring viewer = L"Software\\Quillforge\\Quillforge 2001 Viewer";
  const ScratchKey userViewer(HKEY_CURRENT_USER, viewer), machineViewer(HKEY_LOCAL_MACHINE, viewer);
  ASSERT_TRUE(SetText(HKEY_LOCAL_MACHINE, viewer + L"\\General", L"Where", L"machine"));

  SetProductKeyName(L"Quillforge 2001 Viewer");
  std::wstring text = L"kept";
  EXPECT_FALSE(ReadWhere(text, false, true, L""));
  EXPECT_FALSE(ReadWhere(text, false, false, L"Quillforge\\Quillforge 2001 Viewer"));
  EXPECT_EQ(text, L"kept");
  EXPECT_TRUE(ReadWhere(text, true, true, L""));  // machine-only reads are not the user's
  EXPECT_EQ(text, L"machine");
  text.clear();  // another spelling is another product key
  EXPECT_TRUE(ReadWhere(text, false, false, L"Quillforge\\quillforge 2001 viewer"));
  EXPECT_EQ(text, L"machine");
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, viewer + L"\\General", L"Where", L"user"));
  EXPECT_TRUE(ReadWhere(text, false, true, L""));
  EXPECT_EQ(text, L"user");
}

TEST_F(ProductSettings, WriteGoesToTheUsersHiveOnly) {
  ProductKeyName() = kProduct;
  const DWORD number = 42;
  ASSERT_TRUE(WriteProductSetting(L"General", L"Count", Type::Dword, L"", &number, nullptr, true));
  EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, kProductSection, L"Count")->data, DwordBytes(42));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\VxTestProduct"));

  const RemoveIfCreated product(HKEY_CURRENT_USER, L"Software\\Quillforge");
  const ScratchKey section(HKEY_CURRENT_USER, L"Software\\Quillforge\\VxTestSection");
  ASSERT_TRUE(
      WriteProductSetting(L"VxTestSection", L"Text", Type::String, L"q", nullptr, nullptr, false));
  EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, L"Software\\Quillforge\\VxTestSection", L"Text")->data,
            SzBytes(L"q"));
}
