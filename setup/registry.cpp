#include "setup/registry.h"

#include "platform/code_page.h"
#include "platform/lookup.h"
#include "platform/text.h"

const char shellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
#define UNINSTALL_LIST_KEY "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
#define UNINSTALL_ENTRY_NAME "OV:Sonograf {3C77C191-1FE5-4e3c}"
const char uninstallEntryName[] = UNINSTALL_ENTRY_NAME;
const char uninstallEntryKey[] = UNINSTALL_LIST_KEY "\\" UNINSTALL_ENTRY_NAME;
#undef UNINSTALL_LIST_KEY
#undef UNINSTALL_ENTRY_NAME
const char settingsKey[] = "Orvane\\Sonograf";

namespace {
typedef LONG(WINAPI* NtDeleteKeyFunction)(HANDLE);

// Deletes the opened key itself; opened as a link, the link. (RegDeleteKeyA
// opens the key by its path again, which follows a link.)
LONG WINAPI deleteOpenedKey(HKEY key) {
    const NtDeleteKeyFunction ntDeleteKey =
        lookupFunction<NtDeleteKeyFunction>(GetModuleHandleA("Ntdll.dll"), "NtDeleteKey");
    return ntDeleteKey != nullptr && ntDeleteKey(key) == 0 ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}
}  // namespace

const RegistryCalls realRegistryCalls = {RegOpenKeyExA, RegEnumKeyExA, deleteOpenedKey, RegCloseKey};

namespace {
// A value is read into a buffer of this many characters; a larger one fails the query.
const DWORD kReadSize = 4096;
// Only this much of a value read is ever used.
const DWORD kCopyLimit = 4050;
// Subkey names are enumerated into a buffer of 1024 bytes, announced as 1023.
const DWORD kNameCapacity = 1023;

int setValue(HKEY root, const char* keyPath, const char* valueName, DWORD type, const BYTE* data, DWORD size) {
    HKEY key;
    if (RegOpenKeyA(root, keyPath, &key) != ERROR_SUCCESS && RegCreateKeyA(root, keyPath, &key) != ERROR_SUCCESS)
        return 0;
    LONG status = RegSetValueExA(key, valueName, 0, type, data, size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? 1 : 0;
}

int setDword(HKEY root, const char* keyPath, const char* valueName, uint32_t value) {
    DWORD data = value;
    return setValue(root, keyPath, valueName, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
}
}  // namespace

int setMachineString(const char* keyPath, const char* valueName, const char* text) {
    // The terminating NUL is stored with the text.
    return setValue(HKEY_LOCAL_MACHINE, keyPath, valueName, REG_SZ, reinterpret_cast<const BYTE*>(text),
                    static_cast<DWORD>(textLength(text) + 1));
}

int setUserDword(const char* keyPath, const char* valueName, uint32_t value) {
    return setDword(HKEY_CURRENT_USER, keyPath, valueName, value);
}

int setMachineDword(const char* keyPath, const char* valueName, uint32_t value) {
    return setDword(HKEY_LOCAL_MACHINE, keyPath, valueName, value);
}

int getUserString(const char* keyPath, const WCHAR* valueName, char* dst, size_t capacity) {
    HKEY key;
    if (RegOpenKeyA(HKEY_CURRENT_USER, keyPath, &key) != ERROR_SUCCESS) return 0;
    // Read wide: read narrow, a text the code page cannot hold (a folder
    // "Łukasz" on a Western code page) would come back as another folder's name.
    WCHAR data[kReadSize + 1];
    DWORD size = kReadSize * sizeof(WCHAR);
    DWORD type = REG_SZ;
    LONG status = RegQueryValueExW(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_SZ) return 0;
    // The text ends at its first NUL within the first 4050 characters, or
    // there when the value was stored without one, so it is always terminated.
    size /= sizeof(WCHAR);
    data[size < kCopyLimit ? size : kCopyLimit] = L'\0';
    char text[kReadSize];
    // A text that does not fit dst counts as absent and leaves dst untouched: a
    // folder path cut short would name some other folder.
    return nameSurvivesCodePage(data, text, sizeof text) && textCopy(dst, capacity, text) == 0 ? 1 : 0;
}

int machineKeyHas(const char* keyPath, const WCHAR* valueName) {
    HKEY key;
    // A link at the key counts as itself, not as the key it points to.
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, REG_OPTION_OPEN_LINK, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return 0;
    const int has = valueName == nullptr || RegQueryValueExW(key, valueName, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return has;
}

int deleteKeyTree(HKEY root, const char* keyPath, const RegistryCalls& calls) {
    HKEY key;
    // A link is opened as itself and has no subkeys: only the link goes, never
    // the tree it points to.
    if (calls.openKey(root, keyPath, REG_OPTION_OPEN_LINK, DELETE | KEY_ENUMERATE_SUB_KEYS, &key) != ERROR_SUCCESS)
        return 0;
    int result = 1;
    // Each subkey is deleted before the next enumeration, so the next one moves
    // up to the same index. A subkey that cannot be opened or deleted would be
    // found there again: it is stepped over, the rest of the tree still goes and
    // this key stays.
    DWORD index = 0;
    for (;;) {
        char name[kNameCapacity + 1];
        DWORD nameLength = kNameCapacity;
        LONG status = calls.enumKey(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_SUCCESS) {
            if (deleteKeyTree(key, name, calls) == 0) {
                result = 0;
                ++index;
            }
            continue;
        }
        // Any other enumeration error leaves the key in place, which is a failure
        // as well: the caller must not take it for deleted.
        if (status != ERROR_NO_MORE_ITEMS || calls.deleteKey(key) != ERROR_SUCCESS) result = 0;
        break;
    }
    calls.closeKey(key);
    return result;
}
