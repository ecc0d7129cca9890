// The settings store against the real registry of the test prefix.
#include "settings/Settings.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "app/Main.h"
#include "ui/dialog.h"
#include "ui/errors.h"

namespace {

class SettingsStore : public testing::Test {
 protected:
  void SetUp() override {
    RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
    Settings = TSettings{};
    Settings.PgpPath = "stale";
  }
  void TearDown() override { RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey); }

  static HKEY Key() {
    HKEY k = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
    return k;
  }
  static void PutString(const char* name, const std::string& v) {
    HKEY k = Key();
    RegSetValueExA(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(v.data()), static_cast<DWORD>(v.size()));
    RegCloseKey(k);
  }
  static void PutNumber(const char* name, DWORD v) {
    HKEY k = Key();
    RegSetValueExA(k, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
    RegCloseKey(k);
  }
  static void Remove(const char* name) {
    HKEY k = Key();
    RegDeleteValueA(k, name);
    RegCloseKey(k);
  }
  static bool Number(const char* name, DWORD* out) {
    HKEY k = Key();
    DWORD type = 0, size = sizeof *out;
    LONG rc = RegQueryValueExA(k, name, nullptr, &type, reinterpret_cast<BYTE*>(out), &size);
    RegCloseKey(k);
    return rc == ERROR_SUCCESS && type == REG_DWORD;
  }
  // A complete store with every flag the opposite of its default.
  static void PutAll() {
    PutString("PGP", "C:\\PGP");
    PutNumber("SignFiles", 0);
    PutNumber("WordWrap", 0);
    PutNumber("AutoDelete", 1);
    PutNumber("AutoIndent", 1);
    PutNumber("RunIcon", 1);
    PutNumber("Pause", 0);
    PutNumber("UseList", 1);
    PutString("IdSign", "Alice Example");
    PutNumber("ReadMsgs", 1);
  }
  static void ExpectDefaults() {
    EXPECT_EQ(Settings.PgpPath, "");
    EXPECT_TRUE(Settings.SignFiles);
    EXPECT_TRUE(Settings.WordWrap);
    EXPECT_FALSE(Settings.AutoDelete);
    EXPECT_FALSE(Settings.AutoIndent);
    EXPECT_FALSE(Settings.RunIcon);
    EXPECT_TRUE(Settings.Pause);
    EXPECT_FALSE(Settings.UseList);
    EXPECT_EQ(Settings.IdSign, "");
    EXPECT_FALSE(Settings.ReadMsgs);
  }
};

TEST_F(SettingsStore, NoKeyGivesDefaultsAndCreatesTheKey) {
  LoadSettings();
  ExpectDefaults();
  HKEY k = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &k), ERROR_SUCCESS);
  if (k) RegCloseKey(k);
}

TEST_F(SettingsStore, CompleteStoreIsReadAsStored) {
  PutAll();
  LoadSettings();
  EXPECT_EQ(Settings.PgpPath, "C:\\PGP");
  EXPECT_FALSE(Settings.SignFiles);
  EXPECT_FALSE(Settings.WordWrap);
  EXPECT_TRUE(Settings.AutoDelete);
  EXPECT_TRUE(Settings.AutoIndent);
  EXPECT_TRUE(Settings.RunIcon);
  EXPECT_FALSE(Settings.Pause);
  EXPECT_TRUE(Settings.UseList);
  EXPECT_EQ(Settings.IdSign, "Alice Example");
  EXPECT_TRUE(Settings.ReadMsgs);
}

TEST_F(SettingsStore, OneMissingOrMistypedFlagGivesAllDefaults) {
  PutAll();
  Remove("ReadMsgs");
  LoadSettings();
  ExpectDefaults();

  PutAll();
  PutString("SignFiles", "1");
  LoadSettings();
  ExpectDefaults();

  PutAll();
  PutNumber("IdSign", 3);  // a text value that is not a string
  LoadSettings();
  ExpectDefaults();
}

TEST_F(SettingsStore, MissingTextsReadEmptyWithFlagsKept) {
  PutAll();
  Remove("PGP");
  Remove("IdSign");
  LoadSettings();
  EXPECT_EQ(Settings.PgpPath, "");
  EXPECT_EQ(Settings.IdSign, "");
  EXPECT_FALSE(Settings.SignFiles);
  EXPECT_TRUE(Settings.ReadMsgs);
}

TEST_F(SettingsStore, TextEndsAtTheFirstZeroByte) {
  PutAll();
  PutString("PGP", std::string("C:\\PGP\0junk", 11));
  LoadSettings();
  EXPECT_EQ(Settings.PgpPath, "C:\\PGP");
}

TEST_F(SettingsStore, AnyNonZeroFlagIsTrueAndIsWrittenBackAsOne) {
  PutAll();
  PutNumber("AutoDelete", 7);
  LoadSettings();
  EXPECT_TRUE(Settings.AutoDelete);
  SaveSettings();
  DWORD v = 0;
  ASSERT_TRUE(Number("AutoDelete", &v));
  EXPECT_EQ(v, 1u);
}

TEST_F(SettingsStore, SaveThenLoadRoundTripsEveryField) {
  Settings = TSettings{};
  Settings.PgpPath = "Z:\\tmp\\pgp folder";
  Settings.IdSign = "Алиса Пример <alice@example.ru>";
  Settings.RunIcon = true;
  Settings.SignFiles = false;
  SaveSettings();
  Settings = TSettings{};
  LoadSettings();
  EXPECT_EQ(Settings.PgpPath, "Z:\\tmp\\pgp folder");
  EXPECT_EQ(Settings.IdSign, "Алиса Пример <alice@example.ru>");
  EXPECT_TRUE(Settings.RunIcon);
  EXPECT_FALSE(Settings.SignFiles);
}

ui::Form::Args PlainForm() {
  ui::Form::Args a;
  a.caption = "bounds";
  a.border = ui::Border::Sizeable;
  a.mainWindow = true;
  return a;
}

TEST_F(SettingsStore, WindowBoundsAreAllOrNothing) {
  ui::Form form(PlainForm());
  RestoreWindowBounds(form);
  ui::Rect r = form.bounds();
  EXPECT_EQ(r.left, 50);
  EXPECT_EQ(r.top, 50);
  EXPECT_EQ(r.width, kDefaultWindowBounds.width);
  EXPECT_EQ(r.height, 400);

  PutNumber("Xpos", 120);
  PutNumber("Ypos", 130);
  PutNumber("Xsiz", 640);
  PutNumber("Ysiz", 480);
  RestoreWindowBounds(form);
  r = form.bounds();
  EXPECT_EQ(r.left, 120);
  EXPECT_EQ(r.top, 130);
  EXPECT_EQ(r.width, 640);
  EXPECT_EQ(r.height, 480);

  Remove("Xsiz");
  RestoreWindowBounds(form);
  r = form.bounds();
  EXPECT_EQ(r.left, 50);
  EXPECT_EQ(r.top, 50);
  EXPECT_EQ(r.width, kDefaultWindowBounds.width);
  EXPECT_EQ(r.height, 400);
}

TEST_F(SettingsStore, WindowBoundsRoundTripIncludingNegativePositionsAndStayInReach) {
  ui::Form form(PlainForm());
  form.setBounds({-30, 40, 300, 200});
  SaveWindowBounds(form);
  DWORD v = 0;
  ASSERT_TRUE(Number("Xpos", &v));
  EXPECT_EQ(static_cast<int32_t>(v), -30);
  form.setBounds({0, 0, 100, 100});
  RestoreWindowBounds(form);
  ui::Rect r = form.bounds();
  EXPECT_EQ(r.left, -30);
  EXPECT_EQ(r.width, 300);
  // Extreme stored values put the window back in reach on the work area.
  for (const char* name : {"Xpos", "Ypos", "Xsiz", "Ysiz"}) PutNumber(name, 0x7FFFFFFF);
  RestoreWindowBounds(form);
  const ui::Rect area = ui::WorkArea();
  r = form.bounds();
  EXPECT_LE(r.left + ui::kVisible, area.left + area.width);
  EXPECT_LE(r.top + ui::kVisible, area.top + area.height);
  EXPECT_LE(r.width, area.width);
}

TEST_F(SettingsStore, FlagCommandWritesTheWholeStoreEachTime) {
  Settings = TSettings{};
  TMainForm form;
  form.PauseafterruningPGP1Click();
  EXPECT_FALSE(Settings.Pause);
  EXPECT_FALSE(form.MainMenu.item("PauseafterruningPGP1").checked);
  DWORD v = 9;
  ASSERT_TRUE(Number("Pause", &v));
  EXPECT_EQ(v, 0u);
  // The second flip writes every value again, not just the one that changed.
  Remove("SignFiles");
  form.PauseafterruningPGP1Click();
  EXPECT_TRUE(form.MainMenu.item("PauseafterruningPGP1").checked);
  ASSERT_TRUE(Number("Pause", &v));
  EXPECT_EQ(v, 1u);
  ASSERT_TRUE(Number("SignFiles", &v));
  EXPECT_EQ(v, 1u);
}

}  // namespace
