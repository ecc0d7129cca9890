#include "settings/Settings.h"

#include <windows.h>

#include <optional>

#include "ui/errors.h"
#include "ui/handles.h"
#include "ui/window.h"

TSettings Settings;
std::string PgpCommand;

const char* const kSettingsKey = "Software\\Sealwright 32";

namespace {

// Opened afresh, with full access, created when missing. A key that cannot be
// opened makes every read and write below fail.
ui::RegKey OpenSettingsKey() {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                      &key, nullptr) != ERROR_SUCCESS) {
    key = nullptr;
  }
  return ui::RegKey(key);
}

// A missing or empty value reads as empty text; a value that is not a string is a failure.
std::optional<std::string> ReadString(HKEY key, const char* name) {
  DWORD type = 0, size = 0;
  LONG rc = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
  if (rc == ERROR_FILE_NOT_FOUND) return std::string();
  if (rc != ERROR_SUCCESS) return std::nullopt;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
  std::string data(size, '\0');
  if (size &&
      RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  data.resize(size);
  if (auto zero = data.find('\0'); zero != std::string::npos) data.resize(zero);
  return data;
}

std::optional<long> ReadNumber(HKEY key, const char* name) {
  DWORD type = 0, value = 0, size = sizeof value;
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof value) {
    return std::nullopt;
  }
  return static_cast<long>(static_cast<int32_t>(value));
}

void Write(HKEY key, const char* name, DWORD type, const void* data, DWORD size) {
  if (!key || RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size) != ERROR_SUCCESS) {
    throw ui::Error(std::string("Failed to set data for '") + name + "'");
  }
}

void WriteString(HKEY key, const char* name, const std::string& text) {
  Write(key, name, REG_SZ, text.data(), static_cast<DWORD>(text.size()));
}

void WriteNumber(HKEY key, const char* name, long number) {
  DWORD value = static_cast<DWORD>(number);
  Write(key, name, REG_DWORD, &value, sizeof value);
}

// The flags in storage order; PgpPath and IdSign go around them.
struct FlagField {
  const char* name;
  bool TSettings::*field;
};
constexpr FlagField kFlagsBeforeId[] = {
    {"SignFiles", &TSettings::SignFiles},   {"WordWrap", &TSettings::WordWrap}, {"AutoDelete", &TSettings::AutoDelete},
    {"AutoIndent", &TSettings::AutoIndent}, {"RunIcon", &TSettings::RunIcon},   {"Pause", &TSettings::Pause},
    {"UseList", &TSettings::UseList},
};

std::optional<TSettings> ReadAll(HKEY key) {
  if (!key) return std::nullopt;
  TSettings s;
  auto path = ReadString(key, "PGP");
  if (!path) return std::nullopt;
  s.PgpPath = *path;
  for (const auto& f : kFlagsBeforeId) {
    auto v = ReadNumber(key, f.name);
    if (!v) return std::nullopt;
    s.*f.field = *v != 0;
  }
  auto id = ReadString(key, "IdSign");
  if (!id) return std::nullopt;
  s.IdSign = *id;
  auto msgs = ReadNumber(key, "ReadMsgs");
  if (!msgs) return std::nullopt;
  s.ReadMsgs = *msgs != 0;
  return s;
}

}  // namespace

void LoadSettings() {
  ui::RegKey key = OpenSettingsKey();
  Settings = ReadAll(key.get()).value_or(TSettings{});
}

void SaveSettings() {
  ui::RegKey key = OpenSettingsKey();
  WriteString(key.get(), "PGP", Settings.PgpPath);
  for (const auto& f : kFlagsBeforeId) WriteNumber(key.get(), f.name, Settings.*f.field ? 1 : 0);
  WriteString(key.get(), "IdSign", Settings.IdSign);
  WriteNumber(key.get(), "ReadMsgs", Settings.ReadMsgs ? 1 : 0);
}

void RestoreWindowBounds(ui::Window& form) {
  ui::RegKey key = OpenSettingsKey();
  ui::Rect r = form.bounds();
  bool ok = key.get() != nullptr;
  // Each value is applied right after its own read; a failure anywhere
  // replaces all four with the defaults.
  const char* names[] = {"Xpos", "Ypos", "Xsiz", "Ysiz"};
  int* fields[] = {&r.left, &r.top, &r.width, &r.height};
  for (int i = 0; ok && i < 4; ++i) {
    auto v = ReadNumber(key.get(), names[i]);
    if (!v) {
      ok = false;
      break;
    }
    *fields[i] = static_cast<int>(*v);
    form.setBounds(ui::ClampToWorkArea(r, ui::WorkArea()));
  }
  if (!ok) form.setBounds(kDefaultWindowBounds);
}

void SaveWindowBounds(ui::Window& form) {
  ui::RegKey key = OpenSettingsKey();
  ui::Rect r = form.normalBounds();
  WriteNumber(key.get(), "Xpos", r.left);
  WriteNumber(key.get(), "Ypos", r.top);
  WriteNumber(key.get(), "Xsiz", r.width);
  WriteNumber(key.get(), "Ysiz", r.height);
}
