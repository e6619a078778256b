// Reads a shortcut file back through the shell's link object (COM must be
// initialised on the calling thread).
//   LinkFields link = readLink("C:\\...\\Readme.LNK");
//   link.loaded == S_OK; link.target, link.description, link.arguments, link.workingFolder
#pragma once
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>

#include "support/temp_folder.h"

struct LinkFields {
    HRESULT loaded = E_FAIL;
    std::string target;
    std::string description;
    std::string arguments;
    std::string workingFolder;
};

inline LinkFields readLink(const std::string& path) {
    LinkFields fields;
    IShellLinkA* link = nullptr;
    fields.loaded = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                     reinterpret_cast<void**>(&link));
    if (FAILED(fields.loaded)) return fields;
    IPersistFile* file = nullptr;
    fields.loaded = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(fields.loaded)) {
        fields.loaded = file->Load(wide(path).c_str(), STGM_READ);
        file->Release();
    }
    if (SUCCEEDED(fields.loaded)) {
        char target[MAX_PATH * 2] = {}, description[MAX_PATH * 2] = {}, arguments[MAX_PATH * 2] = {},
             folder[MAX_PATH * 2] = {};
        link->GetPath(target, sizeof target, nullptr, SLGP_RAWPATH);
        link->GetDescription(description, sizeof description);
        link->GetArguments(arguments, sizeof arguments);
        link->GetWorkingDirectory(folder, sizeof folder);
        fields = {fields.loaded, target, description, arguments, folder};
    }
    link->Release();
    return fields;
}
