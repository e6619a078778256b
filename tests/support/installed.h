// End-to-end helpers around the installer under test.
//   installerPackage(exe)                 the bytes of its package (RT_RCDATA 100), empty if none
//   copyWithPackage(exe, copy, bytes)     copies exe to copy with the package replaced by
//                                         `bytes`, or removed when `bytes` is empty; true on success
//   largePackage()                        a valid package whose install takes seconds (256 MiB)
//   installedPaths()                      where an install by an installer of this test
//                                         program's bitness puts things
//   REGSAM view = installedPaths().view   KEY_WOW64_32KEY / KEY_WOW64_64KEY: the registry view
//                                         the installer writes to, given explicitly
#pragma once
#include <windows.h>

#include <string>

std::string installerPackage(const std::string& installer);
bool copyWithPackage(const std::string& installer, const std::string& copy, const std::string& package);
std::string largePackage();

struct InstalledPaths {
    std::string programFiles;      // Program Files ("Program Files (x86)" for 32-bit under WOW64)
    std::string userPrograms;      // per-user Start-menu programs folder, empty if unknown
    std::string commonPrograms;    // all-users Start-menu programs folder, empty if unknown
    std::string startup;           // per-user startup folder
    std::string installFolder;     // programFiles \ OV\Sonograf
    std::string userMenuFolder;    // userPrograms \ Orvane\Sonograf
    std::string commonMenuFolder;  // commonPrograms \ Orvane\Sonograf
    std::string uninstallKey;      // below HKEY_LOCAL_MACHINE
    REGSAM view;
};
InstalledPaths installedPaths();
