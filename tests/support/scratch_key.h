// A fresh registry key for one test, removed with all its subkeys when the
// object goes away (any access the test denied must be given back first).
//   ScratchKey key(HKEY_CURRENT_USER, "Software");
//   key.path() -> "Software\sonograf-test-<pid>-<n>"   key.sub("a\\b") -> key.path() + "\a\b"
//   keyExists(HKEY_CURRENT_USER, key.sub("a"))
//   writeValue(HKEY_CURRENT_USER, key.sub("a"), "Name", REG_SZ, "text" + '\0')  creates the key as needed
#pragma once
#include <windows.h>

#include <string>
#include <vector>

inline bool keyExists(HKEY root, const std::string& path, REGSAM view = 0) {
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

inline bool writeValue(HKEY root, const std::string& path, const char* name, DWORD type, const std::string& bytes) {
    HKEY key;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const LONG set = RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                    static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
    return set == ERROR_SUCCESS;
}

inline std::vector<std::string> subkeyNames(HKEY root, const std::string& path) {
    std::vector<std::string> names;
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
    char name[256];
    for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i) names.push_back(name);
    RegCloseKey(key);
    return names;
}

class ScratchKey {
public:
    ScratchKey(HKEY root, const std::string& parent) : root_(root) {
        static unsigned counter = 0;
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::string path = parent + "\\sonograf-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                               std::to_string(++counter);
            HKEY key;
            DWORD disposition = 0;
            if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_READ, nullptr, &key, &disposition) !=
                ERROR_SUCCESS)
                continue;
            RegCloseKey(key);
            if (disposition == REG_CREATED_NEW_KEY) {
                path_ = path;
                break;
            }
        }
    }
    ~ScratchKey() {
        if (!path_.empty()) removeTree(root_, path_);
    }
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;

    bool created() const { return !path_.empty(); }
    const std::string& path() const { return path_; }
    std::string sub(const std::string& relative) const { return path_ + "\\" + relative; }

    // Creates the key and every missing key along the path below root.
    static bool create(HKEY root, const std::string& path) {
        HKEY key;
        if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_READ, nullptr, &key, nullptr) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }

    static void removeTree(HKEY root, const std::string& path) {
        for (const std::string& name : subkeyNames(root, path)) removeTree(root, path + "\\" + name);
        RegDeleteKeyA(root, path.c_str());
    }

private:
    HKEY root_;
    std::string path_;
};
