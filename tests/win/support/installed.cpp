#include "support/installed.h"

#include <shlobj.h>

namespace {
const WORD kPackageId = 100;

std::string shellFolder(int id) {
    char folder[MAX_PATH] = {};
    return SUCCEEDED(SHGetFolderPathA(nullptr, id, nullptr, 0, folder)) ? std::string(folder) : std::string();
}

std::string userProgramsFolder() {
    char folder[1024] = {};
    DWORD size = sizeof folder;
    if (RegGetValueA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                     "Programs", RRF_RT_REG_SZ, nullptr, folder, &size) != ERROR_SUCCESS)
        return std::string();
    return folder;
}

BOOL CALLBACK keepLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR found) {
    *reinterpret_cast<WORD*>(found) = language;
    return FALSE;
}

// The language the package resource is stored under, so that an update replaces it.
WORD packageLanguage(const std::string& installer) {
    WORD language = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
    HMODULE module = LoadLibraryExA(installer.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) return language;
    EnumResourceLanguagesA(module, MAKEINTRESOURCEA(10), MAKEINTRESOURCEA(kPackageId), keepLanguage,
                           reinterpret_cast<LONG_PTR>(&language));
    FreeLibrary(module);
    return language;
}

std::string menuBelow(const std::string& programs) {
    return programs.empty() ? programs : programs + "\\Orvane\\Sonograf";
}
}  // namespace

std::string installerPackage(const std::string& installer) {
    HMODULE module = LoadLibraryExA(installer.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) return std::string();
    std::string bytes;
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(kPackageId), MAKEINTRESOURCEA(10));
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    if (loaded != nullptr) bytes.assign(static_cast<const char*>(LockResource(loaded)), SizeofResource(module, found));
    FreeLibrary(module);
    return bytes;
}

bool copyWithPackage(const std::string& installer, const std::string& copy, const std::string& package) {
    const WORD language = packageLanguage(installer);
    if (!CopyFileA(installer.c_str(), copy.c_str(), FALSE)) return false;
    HANDLE update = BeginUpdateResourceA(copy.c_str(), FALSE);
    if (update == nullptr) return false;
    // No data removes the resource.
    void* data = package.empty() ? nullptr : const_cast<char*>(package.data());
    BOOL updated = UpdateResourceA(update, MAKEINTRESOURCEA(10), MAKEINTRESOURCEA(kPackageId),
                                   language, data, static_cast<DWORD>(package.size()));
    return EndUpdateResourceA(update, !updated) && updated;
}

InstalledPaths installedPaths() {
    InstalledPaths paths;
    paths.installFolder = shellFolder(CSIDL_PROGRAM_FILES) + "\\OV\\Sonograf";
    paths.userMenuFolder = menuBelow(userProgramsFolder());
    paths.commonMenuFolder = menuBelow(shellFolder(CSIDL_COMMON_PROGRAMS));
    paths.uninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OV:Sonograf {3C77C191-1FE5-4e3c}";
    paths.view = sizeof(void*) == 4 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    return paths;
}
