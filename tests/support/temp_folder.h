// A fresh folder below the Windows temporary folder for one test, removed with
// everything in it (read-only files included) when the object goes away.
//   TempFolder temp;  temp.path() -> "C:\users\...\Temp\sonograf-test-<pid>-<n>"
//   temp.file("a.txt") -> the path of a name inside it
//   namesIn(folder) -> the names in a folder, in the order it lists them; present(path)
//   parentOf("C:\a\b") -> "C:\a"
//   wide(path) -> the path in wide characters, for names outside the code page below it
#pragma once
#include <windows.h>

#include <string>
#include <vector>

inline bool present(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline std::string parentOf(const std::string& path) { return path.substr(0, path.rfind('\\')); }

inline std::wstring wide(const std::string& text) {
    WCHAR buffer[MAX_PATH * 2] = {};
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, buffer, MAX_PATH * 2);
    return buffer;
}

inline std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

class TempFolder {
public:
    TempFolder() {
        static unsigned counter = 0;
        char base[MAX_PATH + 1] = {};
        GetTempPathA(sizeof base, base);
        for (;;) {
            path_ = std::string(base) + "sonograf-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                    std::to_string(++counter);
            if (CreateDirectoryA(path_.c_str(), nullptr)) break;
        }
    }
    ~TempFolder() { removeTree(path_); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "\\" + name; }

    // Through the wide calls, which reach names outside the code page and long paths too.
    static void removeTree(const std::string& folder) { removeTree(wide(folder)); }
    static void removeTree(const std::wstring& folder) {
        std::vector<std::wstring> entries;
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
        for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found))
            if (lstrcmpW(found.cFileName, L".") && lstrcmpW(found.cFileName, L".."))
                entries.push_back(folder + L"\\" + found.cFileName);
        if (search != INVALID_HANDLE_VALUE) FindClose(search);
        for (const std::wstring& entry : entries) {
            const DWORD attributes = GetFileAttributesW(entry.c_str());
            SetFileAttributesW(entry.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(entry);
            } else {
                DeleteFileW(entry.c_str());
            }
        }
        RemoveDirectoryW(folder.c_str());
    }

private:
    std::string path_;
};
