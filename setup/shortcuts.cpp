#include "setup/shortcuts.h"

#include <objbase.h>
#include <shlobj.h>

#include "platform/com.h"
#include "platform/paths.h"
#include "platform/text.h"

int composeShortcutPath(char* path, const char* folder, const char* name) {
    if (textJoin(path, kShortcutPathSize, folder, name) != 0) return -1;
    return textAppend(path, kShortcutPathSize, ".LNK");
}

HRESULT createShortcut(const char* target, const char* folder, const char* name, const char* arguments) {
    char path[kShortcutPathSize];
    char workingFolder[kShortcutPathSize];
    // Paths too long for the buffers are refused before anything is written.
    if (composeShortcutPath(path, folder, name) != 0 || textCopy(workingFolder, kShortcutPathSize, target) != 0)
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    removeLastComponent(workingFolder);

    IShellLinkA* link = nullptr;
    HRESULT result = comCreateInstance(CLSID_ShellLink, IID_IShellLinkA, reinterpret_cast<void**>(&link));
    if (FAILED(result)) return result;
    // Only the save decides the outcome; the shell's defaults stand in for anything not set.
    link->SetPath(target);
    link->SetDescription(name);
    link->SetArguments(arguments);
    link->SetWorkingDirectory(workingFolder);
    IPersistFile* file = nullptr;
    result = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(result)) {
        // A path of at most 2047 bytes always fits 2048 wide characters.
        WCHAR widePath[kShortcutPathSize];
        MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, kShortcutPathSize);
        result = file->Save(widePath, TRUE);
        file->Release();
    }
    link->Release();
    return result;
}

