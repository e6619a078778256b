// In-place edits of a path text. The only separator is '\'; ':' counts only
// for cutToDriveRoot. Each edit shortens the text or moves its tail to the
// start, so none writes past the text's terminating NUL.
//   removeLastComponent("C:\dir\a.exe") -> "C:\dir"
//   keepFileName("C:\dir\a.exe")        -> "a.exe"
//   cutToRoot("C:\WINDOWS")             -> "C:\"      returns 1 cut, 0 unchanged
//   cutToDriveRoot("C:\WINDOWS")        -> "C:\"      returns 1 root kept, 0 emptied
//   pathIsAbsolute("C:\dir")             -> 1 (also "\\server\share", and with '/' for
//                                         a separator, as Windows takes it); "Startup", "" -> 0
#pragma once

void removeLastComponent(char* path);
void keepFileName(char* path);
int cutToRoot(char* path);
int cutToDriveRoot(char* path);
int pathIsAbsolute(const char* path);
