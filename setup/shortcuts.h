// Start-menu shortcut files. A shortcut's file is the folder, one '\' unless
// the folder ends with one, the shortcut's name and the upper-case ".LNK":
//   createShortcut("C:\\App\\readme.txt", "C:\\Menu\\Orvane\\Sonograf", "Readme")
//     -> C:\Menu\Orvane\Sonograf\Readme.LNK, description "Readme", working folder C:\App
#pragma once
#include <windows.h>

const size_t kShortcutPathSize = 2048;

// The shortcut's file path into a buffer of kShortcutPathSize bytes; -1 when
// it does not fit. The uninstall removes the file at that path.
int composeShortcutPath(char* path, const char* folder, const char* name);

// Saves (or replaces) a link to target through the shell's link object, with
// the name as description, the arguments and the target's folder as working
// folder. Needs COM initialised on the calling thread. Returns the HRESULT:
// S_OK when the file was saved.
HRESULT createShortcut(const char* target, const char* folder, const char* name, const char* arguments = "");

