// The operating-system work of a silent install and nothing else: the two
// packaged files written (carried plainly as resources 100 and 101), the
// installer copied in as the uninstaller, the two shortcuts in each programs
// folder through the shell's link object, and the uninstall entry's values.
// Exit code 0, or 1 when a step failed.
#include <objbase.h>

#include "bench/e2e/same_work.h"
#include "core/product.h"

namespace {
int failures = 0;

void check(BOOL ok) { failures += !ok; }

// The folder and its parent (the parent may exist already).
void createFolderWithParent(const char* folder) {
    char parent[kSameWorkPathSize];
    lstrcpynA(parent, folder, kSameWorkPathSize);
    for (int i = lstrlenA(parent) - 1; i > 0; --i) {
        if (parent[i] != '\\') continue;
        parent[i] = '\0';
        CreateDirectoryA(parent, nullptr);
        break;
    }
    check(CreateDirectoryA(folder, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
}

DWORD writeResource(int id, const char* folder, const char* name) {
    char path[kSameWorkPathSize];
    HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10));
    const DWORD size = resource ? SizeofResource(nullptr, resource) : 0;
    const void* bytes = resource ? LockResource(LoadResource(nullptr, resource)) : nullptr;
    HANDLE file = joinPath(path, folder, name)
                      ? CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)
                      : INVALID_HANDLE_VALUE;
    DWORD written = 0;
    check(bytes != nullptr && file != INVALID_HANDLE_VALUE && WriteFile(file, bytes, size, &written, nullptr) &&
          written == size);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return size;
}

void createLink(const char* installFolder, const char* targetName, const char* menu, const char* name) {
    char target[kSameWorkPathSize], path[kSameWorkPathSize], linkName[64];
    WCHAR widePath[kSameWorkPathSize];
    lstrcpynA(linkName, name, sizeof linkName - 4);
    lstrcatA(linkName, ".LNK");
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    HRESULT result = E_FAIL;
    if (joinPath(target, installFolder, targetName) && joinPath(path, menu, linkName) &&
        SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link)))) {
        link->SetPath(target);
        link->SetDescription(name);
        link->SetArguments("");
        link->SetWorkingDirectory(installFolder);
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, kSameWorkPathSize);
            result = file->Save(widePath, TRUE);
            file->Release();
        }
        link->Release();
    }
    check(SUCCEEDED(result));
}

void setString(HKEY key, const char* name, const char* text) {
    check(RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), lstrlenA(text) + 1) ==
          ERROR_SUCCESS);
}

void setDword(HKEY key, const char* name, DWORD value) {
    check(RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
          ERROR_SUCCESS);
}

// `path` in double quotes, then `after`.
void quote(char* quoted, const char* path, const char* after) {
    lstrcpyA(quoted, "\"");
    lstrcatA(quoted, path);
    lstrcatA(quoted, "\"");
    lstrcatA(quoted, after);
}
}  // namespace

extern "C" void WinMainCRTStartup() {
    char installer[kSameWorkPathSize], folder[kSameWorkPathSize], copy[kSameWorkPathSize], key[kSameWorkPathSize];
    char menus[2][kSameWorkPathSize];
    if (!readPathVariable(SAME_WORK_INSTALLER, installer) || !readPathVariable(SAME_WORK_UNINSTALL_KEY, key) ||
        !shellFolderJoin(CSIDL_PROGRAM_FILES, SAME_WORK_INSTALL_SUBFOLDER, folder) ||
        !shellFolderJoin(CSIDL_PROGRAMS, SAME_WORK_MENU_SUBFOLDER, menus[0]) ||
        !shellFolderJoin(CSIDL_COMMON_PROGRAMS, SAME_WORK_MENU_SUBFOLDER, menus[1]) ||
        lstrlenA(folder) + 32 > int(kSameWorkPathSize))
        ExitProcess(1);
    const HRESULT com = CoInitialize(nullptr);
    createFolderWithParent(folder);
    DWORD bytes = writeResource(100, folder, "sonograf.exe") + writeResource(101, folder, "readme.txt");
    joinPath(copy, folder, "SonografSetup.exe");
    check(CopyFileA(installer, copy, FALSE));
    SetFileAttributesA(copy, FILE_ATTRIBUTE_NORMAL);
    for (const char* menu : menus) {
        createFolderWithParent(menu);
        createLink(folder, "readme.txt", menu, "Readme");
        createLink(folder, PRODUCT_NAME ".exe", menu, PRODUCT_NAME);
    }
    WIN32_FILE_ATTRIBUTE_DATA self;
    if (GetFileAttributesExA(installer, GetFileExInfoStandard, &self)) bytes += self.nFileSizeLow;
    char quoted[kSameWorkPathSize + 16], quiet[kSameWorkPathSize + 16];
    quote(quoted, copy, "");
    quote(quiet, copy, " -h -u");
    HKEY entry;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &entry, nullptr) ==
        ERROR_SUCCESS) {
        setString(entry, "DisplayName", PRODUCT_DISPLAY_NAME);
        setString(entry, "Publisher", PRODUCT_PUBLISHER);
        setString(entry, "UninstallString", quoted);
        setString(entry, "DisplayIcon", copy);
        setString(entry, "DisplayVersion", PRODUCT_VERSION);
        setString(entry, "InstallLocation", folder);
        setString(entry, "QuietUninstallString", quiet);
        setDword(entry, "EstimatedSize", (bytes + 1023) / 1024);
        setDword(entry, "NoModify", 1);
        setDword(entry, "NoRepair", 1);
        RegCloseKey(entry);
    } else {
        ++failures;
    }
    if (com == S_OK) CoUninitialize();
    ExitProcess(failures == 0 ? 0 : 1);
}
