// Registry operations of the install and uninstall procedures. Each opens and
// closes its own key and returns 1 for success, 0 for failure. No registry-view
// flag is used, so a 32-bit build under WOW64 works in the 32-bit view.
//   setMachineString(path, "Publisher", "Orvane Software")  REG_SZ below HKLM, NUL stored
//   setUserDword("Orvane\\Sonograf", "SysTray", 0)           REG_DWORD below HKCU
//   getUserString(shellFoldersKey, L"Programs", buf, sizeof buf)
//   machineKeyHas(path, L"NoRepair")                         the key below HKLM holds the value;
//                                                            with no value name, the key is there
//   deleteKeyTree(HKEY_LOCAL_MACHINE, path)                  the key and all its subkeys
// machineKeyHas and deleteKeyTree take a registry link as the link itself,
// never as the key it points to.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

// Key paths used by the procedures.
extern const char shellFoldersKey[];     // below HKCU, holds "Programs"
extern const char uninstallEntryName[];  // the application's entry in the list of installed programs
extern const char uninstallEntryKey[];   // the entry's key path: list key, "\", entry name
extern const char settingsKey[];         // below HKCU, the application's own settings

// Open or create the key (with any missing keys along the path), write, close.
int setMachineString(const char* keyPath, const char* valueName, const char* text);
int setUserDword(const char* keyPath, const char* valueName, uint32_t value);
int setMachineDword(const char* keyPath, const char* valueName, uint32_t value);

// Reads a REG_SZ value (other types count as absent) into dst, which holds
// capacity bytes. At most the first 4050 characters of the value count. A text
// the ANSI code page cannot hold counts as absent.
int getUserString(const char* keyPath, const WCHAR* valueName, char* dst, size_t capacity);

int machineKeyHas(const char* keyPath, const WCHAR* valueName);

// The registry calls of deleteKeyTree; tests pass fakes to produce failures.
// deleteKey deletes an opened key (without subkeys) itself, a link as the link.
struct RegistryCalls {
    decltype(&RegOpenKeyExA) openKey;
    decltype(&RegEnumKeyExA) enumKey;
    LONG(WINAPI* deleteKey)(HKEY key);
    decltype(&RegCloseKey) closeKey;
};
extern const RegistryCalls realRegistryCalls;

// Deletes the key below root with all its subkeys, innermost first. 1 when the
// whole tree is gone; 0 when the key could not be opened or something stayed.
int deleteKeyTree(HKEY root, const char* keyPath, const RegistryCalls& calls = realRegistryCalls);
