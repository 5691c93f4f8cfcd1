// Where the window on Windows finds its main configuration
// "VKTGeraInstallBD.ini". First found wins:
//   1. --config FILE (taken as given, found or not);
//   2. the file chosen last with "Abrir configuração…" (remembered under
//      HKEY_CURRENT_USER\Software\VKTGeraInstallBD);
//   3. the executable's folder (portable copies);
//   4. %APPDATA%\VKTGeraInstallBD\ for one user;
//   5. %PROGRAMDATA%\VKTGeraInstallBD\ for the machine (the installer puts
//      one there).
// The places and their order are the command line's lookup
// (app::FindMainConfiguration) with the window's remembered choice.
#pragma once

#include "win/windows_api.h"

#include <string>

#include "app/config_lookup.h"

namespace vkt::win {

// The registry key.
inline constexpr wchar_t kRegistryKey[] = L"Software\\VKTGeraInstallBD";
// The value under the key that holds the remembered choice.
inline constexpr wchar_t kRememberedValue[] = L"configuration";

// One REG_SZ value of a key under HKEY_CURRENT_USER.
class RememberedValue {
 public:
  RememberedValue(std::wstring key, std::wstring name)
      : key_(std::move(key)), name_(std::move(name)) {}
  // "" when the key or the value is missing.
  std::string Read() const;
  // Creates the key when missing; false when the registry refuses.
  bool Write(const std::string& value) const;

 private:
  std::wstring key_;
  std::wstring name_;
};

}  // namespace vkt::win
