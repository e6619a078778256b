// Files and folders on disk. Results are 1 for success or yes, 0 otherwise.
//   createFolderChain(path)            every missing folder of an absolute path
//   deleteFolderTree(folder)           the folder and everything below it; always 1
//   writeWholeFile(path, data, size)   create or replace a file with exactly these bytes;
//                                      a failed write removes the file again
//   fileExists(path)                   1 when the file opens for reading
// The platform calls come in as a table so tests can make them fail; the
// default is the real one.
#pragma once
#include <windows.h>

#include <cstdint>

struct FileCalls {
    BOOL(WINAPI* createDirectory)(LPCSTR, LPSECURITY_ATTRIBUTES);
    DWORD(WINAPI* getLastError)();
    HANDLE(WINAPI* findFirstFile)(LPCSTR, LPWIN32_FIND_DATAA);
    BOOL(WINAPI* findNextFile)(HANDLE, LPWIN32_FIND_DATAA);
    BOOL(WINAPI* findClose)(HANDLE);
    BOOL(WINAPI* deleteFile)(LPCSTR);
    BOOL(WINAPI* removeDirectory)(LPCSTR);
    HANDLE(WINAPI* createFile)(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
    BOOL(WINAPI* writeFile)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
    BOOL(WINAPI* closeHandle)(HANDLE);
};

extern const FileCalls realFileCalls;

int createFolderChain(const char* path, const FileCalls& calls = realFileCalls);
int deleteFolderTree(const char* folder, const FileCalls& calls = realFileCalls);
int writeWholeFile(const char* path, const void* data, uint32_t size, const FileCalls& calls = realFileCalls);
int fileExists(const char* path, const FileCalls& calls = realFileCalls);
