#include "platform/files.h"

#include "core/bytes.h"
#include "platform/text.h"

const FileCalls realFileCalls = {
    CreateDirectoryA, GetLastError, FindFirstFileA, FindNextFileA, FindClose,   DeleteFileA,
    RemoveDirectoryA, CreateFileA,  WriteFile,      CloseHandle,   MoveFileExA, CopyFileW,
};

static const size_t kChainBufferSize = 1024;
static const size_t kTreeBufferSize = 2048;

// A folder that is already there, or a file of that name, counts as created.
static int createOneFolder(const char* path, const FileCalls& calls) {
    if (calls.createDirectory(path, nullptr)) return 1;
    return calls.getLastError() == ERROR_ALREADY_EXISTS ? 1 : 0;
}

int createFolderChain(const char* path, const FileCalls& calls) {
    if (path == nullptr) return 0;
    char work[kChainBufferSize];
    if (textCopy(work, sizeof work, path) != 0) return 0;
    size_t length = textLength(work);
    if (length < 5) return 0;

    // The root is never created: a drive ("C:") or, for a network path, the
    // server and the share together ("\\server\share").
    size_t i = 2;
    while (i < length && work[i] != '\\') ++i;
    if (work[0] == '\\' && work[1] == '\\' && i < length) {
        ++i;
        while (i < length && work[i] != '\\') ++i;
    }
    if (i >= length) return 1;
    ++i;
    if (i >= length) return 1;

    for (; i < length; ++i) {
        if (work[i] != '\\') continue;
        work[i] = '\0';
        int created = createOneFolder(work, calls);
        work[i] = '\\';
        if (!created) return 0;
    }
    if (work[length - 1] != '\\' && !createOneFolder(work, calls)) return 0;
    return 1;
}

// Empties and removes one folder; returns the result of its removal. The walk
// restarts its enumeration after every deletion, so an entry that cannot be
// deleted would be found first again each time. It therefore gives up on the
// folder at the first entry that stays: a file that cannot be deleted, or a
// subfolder that could not be removed (it holds such a file or a folder whose
// name begins with a dot). Every enumeration thus either deletes an entry or
// is the last one, and a folder of n entries costs at most n + 1 of them.
static int removeFolderTree(const char* folder, const FileCalls& calls) {
    char work[kTreeBufferSize];
    WIN32_FIND_DATAA found;
    while (textJoin(work, sizeof work, folder, "*.*") == 0) {
        HANDLE search = calls.findFirstFile(work, &found);
        if (search == INVALID_HANDLE_VALUE) break;
        int more = 1;
        while (more && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && found.cFileName[0] == '.') {
            more = calls.findNextFile(search, &found);
        }
        calls.findClose(search);
        // A path too long for the work buffer is refused like an entry that
        // cannot be deleted.
        if (!more || textJoin(work, sizeof work, folder, found.cFileName) != 0) break;
        // A junction or symbolic link is removed as itself, never entered:
        // what it points to lies outside the tree.
        const DWORD attributes = found.dwFileAttributes;
        int removed = 0;
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            removed = removeFile(work, calls);
        } else if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            removed = calls.removeDirectory(work);
        } else {
            removed = removeFolderTree(work, calls);
        }
        if (!removed) break;
    }
    return calls.removeDirectory(folder) ? 1 : 0;
}

int deleteFolderTree(const char* folder, const FileCalls& calls) {
    if (folder == nullptr || folder[0] == '\0') return 1;
    // An empty folder, the usual case once its files are deleted, and a link
    // to a folder go at once, without a search.
    if (calls.removeDirectory(folder)) return 1;
    // The folder itself may be a link too: then only the link goes.
    WIN32_FIND_DATAA self;
    HANDLE search = calls.findFirstFile(folder, &self);
    if (search != INVALID_HANDLE_VALUE) {
        calls.findClose(search);
        if (self.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            calls.removeDirectory(folder);
            return 1;
        }
    }
    removeFolderTree(folder, calls);
    return 1;
}

// A read-only file cannot be deleted or replaced. A link keeps its attribute:
// changing it would change the file it points to.
static void clearReadOnly(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
        !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
}

int removeFile(const char* path, const FileCalls& calls) {
    clearReadOnly(path);
    calls.deleteFile(path);
    return GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES ? 1 : 0;
}

// The temporary name of path, cleared of whatever a killed run (or anyone
// else) left there, so the new file is created afresh and never opened
// through a link. 1, or 0 when the name does not fit.
static int preparePartial(char (&partial)[kChainBufferSize], const char* path, const FileCalls& calls) {
    if (textCopy(partial, sizeof partial, path) != 0 || textAppend(partial, sizeof partial, PARTIAL_SUFFIX) != 0)
        return 0;
    calls.deleteFile(partial);
    return 1;
}

// Renames a complete temporary file over path; anything else removes it.
static int finishPartial(const char* partial, const char* path, BOOL complete, const FileCalls& calls) {
    if (complete) {
        clearReadOnly(path);
        if (calls.moveFile(partial, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 1;
    }
    calls.deleteFile(partial);
    return 0;
}

int writeWholeFile(const char* path, const void* data, uint32_t size, const FileCalls& calls) {
    char partial[kChainBufferSize];
    if (!preparePartial(partial, path, calls)) return 0;
    HANDLE file = calls.createFile(partial, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    DWORD written = 0;
    const BOOL complete = calls.writeFile(file, data, size, &written, nullptr) && written == size;
    calls.closeHandle(file);
    return finishPartial(partial, path, complete, calls);
}

// 1 when both files hold the same bytes.
static int sameBytes(const WCHAR* source, const char* path) {
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_DELETE;
    HANDLE first = CreateFileW(source, GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE second = CreateFileA(path, GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
    int same = 1;
    for (;;) {
        uint8_t firstChunk[8192], secondChunk[8192];
        DWORD firstCount = 0, secondCount = 0;
        // A file that did not open fails its first read.
        if (!ReadFile(first, firstChunk, sizeof firstChunk, &firstCount, nullptr) ||
            !ReadFile(second, secondChunk, sizeof secondChunk, &secondCount, nullptr) || firstCount != secondCount ||
            !equalBytes(firstChunk, secondChunk, firstCount)) {
            same = 0;
            break;
        }
        if (firstCount == 0) break;
    }
    CloseHandle(first);
    CloseHandle(second);
    return same;
}

int copyWholeFile(const WCHAR* source, const char* path, const FileCalls& calls) {
    char partial[kChainBufferSize];
    WCHAR widePartial[kChainBufferSize];
    if (!preparePartial(partial, path, calls) ||
        !MultiByteToWideChar(CP_ACP, 0, partial, -1, widePartial, kChainBufferSize))
        return 0;
    // The copy takes the source's attributes; a read-only source still gives
    // a file that can be replaced and deleted.
    const BOOL complete = calls.copyFile(source, widePartial, TRUE) && SetFileAttributesA(partial, FILE_ATTRIBUTE_NORMAL);
    // A whole copy renamed into place holds the source's bytes. Run from path
    // itself, the rename fails (a running program cannot be replaced) and the
    // file stays as it is: it is the source, which the comparison confirms.
    if (finishPartial(partial, path, complete, calls)) return 1;
    return sameBytes(source, path);
}

static int pathHas(const char* path, DWORD folder) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == folder ? 1 : 0;
}

int fileExists(const char* path) { return pathHas(path, 0); }

int folderExists(const char* path) { return pathHas(path, FILE_ATTRIBUTE_DIRECTORY); }

int ownProgramPath(WCHAR* path, DWORD capacity) {
    const DWORD length = GetModuleFileNameW(nullptr, path, capacity);
    return length != 0 && length < capacity ? 1 : 0;
}
