#include "support/installed.h"

#include <shlobj.h>

#include "package/package_builder.h"
#include "support/bytes.h"

#include <vector>

namespace {
const ULONG_PTR kPackageId = 100;

std::string shellFolder(int id) {
    char folder[MAX_PATH] = {};
    return SUCCEEDED(SHGetFolderPathA(nullptr, id, nullptr, 0, folder)) ? std::string(folder) : std::string();
}

// The installer's resources all have numeric types and names.
struct Resource {
    ULONG_PTR type, name;
    WORD language;
    std::string bytes;
};

BOOL CALLBACK keepLanguage(HMODULE module, LPCSTR type, LPCSTR name, WORD language, LONG_PTR list) {
    HRSRC found = FindResourceExA(module, type, name, language);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    if (loaded != nullptr && IS_INTRESOURCE(type) && IS_INTRESOURCE(name))
        reinterpret_cast<std::vector<Resource>*>(list)->push_back(
            {reinterpret_cast<ULONG_PTR>(type), reinterpret_cast<ULONG_PTR>(name), language,
             std::string(static_cast<const char*>(LockResource(loaded)), SizeofResource(module, found))});
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

bool isPackage(const Resource& resource) {
    return resource.type == reinterpret_cast<ULONG_PTR>(RT_RCDATA) && resource.name == kPackageId;
}
}  // namespace

std::string installerPackage(const std::string& installer) {
    for (const Resource& resource : resourcesOf(installer))
        if (isPackage(resource)) return resource.bytes;
    return std::string();
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
        if (isPackage(resource)) resource.bytes = package;
        if (!resource.bytes.empty())
            updated = updated && UpdateResourceA(update, MAKEINTRESOURCEA(resource.type),
                                                 MAKEINTRESOURCEA(resource.name), resource.language,
                                                 &resource.bytes[0], static_cast<DWORD>(resource.bytes.size()));
    }
    return EndUpdateResourceA(update, !updated) && updated;
}

InstalledPaths installedPaths() {
    InstalledPaths paths;
    paths.programFiles = shellFolder(CSIDL_PROGRAM_FILES);
    // The installer reads the per-user folder from here, not through the shell.
    char programs[1024] = {};
    DWORD size = sizeof programs;
    RegGetValueA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Programs",
                 RRF_RT_REG_SZ, nullptr, programs, &size);
    paths.userPrograms = programs;
    paths.commonPrograms = shellFolder(CSIDL_COMMON_PROGRAMS);
    paths.startup = shellFolder(CSIDL_STARTUP);
    paths.installFolder = paths.programFiles + "\\OV\\Sonograf";
    paths.userMenuFolder = paths.userPrograms + "\\Orvane\\Sonograf";
    paths.commonMenuFolder = paths.commonPrograms + "\\Orvane\\Sonograf";
    paths.uninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OV:Sonograf {3C77C191-1FE5-4e3c}";
    paths.view = sizeof(void*) == 4 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    return paths;
}

std::string largePackage() {
    const std::vector<uint8_t> application = patterned(256u << 20);
    const char readme[] = "Sonograf read-me\r\n";
    PackageFile files[2] = {{"Sonograf.exe", application.data(), static_cast<uint32_t>(application.size())},
                            {"readme.txt", reinterpret_cast<const uint8_t*>(readme), sizeof readme - 1}};
    std::string built(packageBuildSize(files), '\0');
    buildPackage(files, reinterpret_cast<uint8_t*>(&built[0]), static_cast<uint32_t>(built.size()));
    return built;
}
