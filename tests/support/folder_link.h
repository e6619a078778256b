// Folder links planted from the Unix side of the Wine prefix: Wine shows a
// Unix symbolic link to a folder as a folder with FILE_ATTRIBUTE_REPARSE_POINT
// (0x410), and has no Windows call that makes or removes one.
//   plantFolderLink("C:\\...\\link", "C:\\...\\target")  true when the link is there
//   plantFileLink("C:\\...\\link", "C:\\...\\file")     the same for a file; Wine shows
//                                                         it as the file itself
//   removeFolderLink("C:\\...\\link")                     removes either kind
#pragma once
#include <windows.h>

#include <string>

#include "support/process.h"
#include "support/temp_folder.h"
#include "support/wait.h"

namespace folder_link_detail {
inline std::string unixPath(const std::string& path) {
    typedef char*(CDECL * ToUnix)(LPCWSTR);
    ToUnix toUnix =
        reinterpret_cast<ToUnix>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name"));
    if (toUnix == nullptr) return "";
    char* unix = toUnix(wide(path).c_str());
    if (unix == nullptr) return "";
    std::string result = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

// Wine may report a Unix program's end before it is done, so the caller waits
// for the effect itself.
inline void runUnix(const char* program, const std::string& arguments) { runProgram(program, arguments, 10000); }

// Plants the link and waits until Windows shows `shown` among its attributes.
inline bool plantLink(const std::string& link, const std::string& target, DWORD shown) {
    runUnix("/bin/ln", "-s \"" + unixPath(target) + "\" \"" + unixPath(link) + "\"");
    return waitUntil([&] {
        const DWORD attributes = GetFileAttributesA(link.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & shown) == shown;
    });
}
}  // namespace folder_link_detail

inline bool plantFolderLink(const std::string& link, const std::string& target) {
    return folder_link_detail::plantLink(link, target, FILE_ATTRIBUTE_REPARSE_POINT);
}

inline bool plantFileLink(const std::string& link, const std::string& target) {
    return folder_link_detail::plantLink(link, target, 0);
}

inline void removeFolderLink(const std::string& link) {
    using namespace folder_link_detail;
    const std::string unix = unixPath(link);
    runUnix("/bin/rm", "-f \"" + unix + "\"");
    waitUntil([&] { return GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES; });
}
