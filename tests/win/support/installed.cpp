#include "support/installed.h"

#include <shlobj.h>

#include <vector>

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

// A resource name or type: an identifier, or a text kept alive with the record.
struct ResourceName {
    ULONG_PTR id;
    std::string text;
    LPCSTR get() const { return text.empty() ? MAKEINTRESOURCEA(id) : text.c_str(); }
    static ResourceName of(LPCSTR name) {
        return IS_INTRESOURCE(name) ? ResourceName{reinterpret_cast<ULONG_PTR>(name), ""} : ResourceName{0, name};
    }
};

struct Resource {
    ResourceName type;
    ResourceName name;
    WORD language;
    std::string bytes;
};

BOOL CALLBACK keepLanguage(HMODULE module, LPCSTR type, LPCSTR name, WORD language, LONG_PTR list) {
    HRSRC found = FindResourceExA(module, type, name, language);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    if (loaded == nullptr) return TRUE;
    std::string bytes(static_cast<const char*>(LockResource(loaded)), SizeofResource(module, found));
    reinterpret_cast<std::vector<Resource>*>(list)->push_back(
        {ResourceName::of(type), ResourceName::of(name), language, bytes});
    return TRUE;
}

BOOL CALLBACK keepName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR list) {
    return EnumResourceLanguagesA(module, type, name, keepLanguage, list) || TRUE;
}

BOOL CALLBACK keepType(HMODULE module, LPSTR type, LONG_PTR list) {
    return EnumResourceNamesA(module, type, keepName, list) || TRUE;
}

std::vector<Resource> resourcesOf(const std::string& executable) {
    std::vector<Resource> list;
    HMODULE module = LoadLibraryExA(executable.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) return list;
    EnumResourceTypesA(module, keepType, reinterpret_cast<LONG_PTR>(&list));
    FreeLibrary(module);
    return list;
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

// The copy's resources are written anew from the original's, the package
// swapped or left out (Wine does not delete a single resource in an update).
bool copyWithPackage(const std::string& installer, const std::string& copy, const std::string& package) {
    std::vector<Resource> resources = resourcesOf(installer);
    if (resources.empty() || !CopyFileA(installer.c_str(), copy.c_str(), FALSE)) return false;
    HANDLE update = BeginUpdateResourceA(copy.c_str(), TRUE);
    if (update == nullptr) return false;
    bool updated = true;
    for (Resource& resource : resources) {
        const bool isPackage = resource.type.get() == RT_RCDATA && resource.name.get() == MAKEINTRESOURCEA(kPackageId);
        if (isPackage) resource.bytes = package;
        if (resource.bytes.empty()) continue;
        updated = updated && UpdateResourceA(update, resource.type.get(), resource.name.get(), resource.language,
                                             &resource.bytes[0], static_cast<DWORD>(resource.bytes.size()));
    }
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
