// Files and folders on disk. Results are 1 for success or yes, 0 otherwise.
//   createFolderChain(path)            every missing folder of an absolute path
//   writeWholeFile(path, data, size)   the file at path holds exactly these bytes, or
//                                      whatever was there before stays as it was
//   copyWholeFile(source, path)        the same with the bytes of the file `source` (a
//                                      wide path); 1 only when path then holds exactly
//                                      source's bytes, also when path is source itself
//   removePath(path)                   removes the file (read-only or not) or the empty
//                                      folder at path; 1 only when nothing is left there.
//                                      Through wide calls, so a path past MAX_PATH is
//                                      reached too; one that cannot be looked at counts
//                                      as staying
//   fileExists(path), folderExists(path)
//                                      1 when a file (a folder) is there, whoever holds it
//   ownProgramPath(path, capacity)     the running program's own path, wide, so that it
//                                      names the file whatever characters its folders hold
// Both writers write under the temporary name path + PARTIAL_SUFFIX in the
// destination's folder and rename it over path, so path is never seen half
// written, and a link at path is replaced, never written through. A failed
// write removes its temporary file; one left by a killed run (read-only, or an
// empty folder in its place) is removed by the next write of the same path.
// The platform calls come in as a table so tests can make them fail; the
// default is the real one.
#pragma once
#include <windows.h>

#include <cstdint>

#define PARTIAL_SUFFIX ".partial"

struct FileCalls {
    BOOL(WINAPI* createDirectory)(LPCSTR, LPSECURITY_ATTRIBUTES);
    DWORD(WINAPI* getLastError)();
    HANDLE(WINAPI* createFile)(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
    BOOL(WINAPI* writeFile)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
    BOOL(WINAPI* closeHandle)(HANDLE);
    BOOL(WINAPI* moveFile)(LPCSTR, LPCSTR, DWORD);
    BOOL(WINAPI* copyFile)(LPCWSTR, LPCWSTR, BOOL);
};

extern const FileCalls realFileCalls;

int createFolderChain(const char* path, const FileCalls& calls = realFileCalls);
int writeWholeFile(const char* path, const void* data, uint32_t size, const FileCalls& calls = realFileCalls);
int copyWholeFile(const WCHAR* source, const char* path, const FileCalls& calls = realFileCalls);
int removePath(const char* path);
int fileExists(const char* path);
int folderExists(const char* path);
int ownProgramPath(WCHAR* path, DWORD capacity);
