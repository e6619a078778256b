#include "platform/files.h"

#include "core/bytes.h"
#include "platform/text.h"

const FileCalls realFileCalls = {
    CreateDirectoryA, GetLastError, CreateFileA, WriteFile, CloseHandle, MoveFileExA, CopyFileW,
};

static const size_t kChainBufferSize = 1024;

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

// Wide paths take up to twice a narrow path's bytes: a shortcut's path has 2048.
static const size_t kWidePathSize = 2048;

static int widen(const char* path, WCHAR (&wide)[kWidePathSize]) {
    return MultiByteToWideChar(CP_ACP, 0, path, -1, wide, kWidePathSize) != 0;
}

// A read-only file cannot be deleted or replaced (nor a read-only folder
// removed). A link keeps its attribute: changing it would change what it
// points to. `attributes` are the path's; INVALID_FILE_ATTRIBUTES for none.
static void clearReadOnly(const WCHAR* path, DWORD attributes) {
    if ((attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_REPARSE_POINT)) == FILE_ATTRIBUTE_READONLY)
        SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
}

// Only a lookup that finds no such file or folder proves nothing is there; one
// that fails otherwise (a name the system refuses) proves nothing.
int removePath(const char* path) {
    WCHAR wide[kWidePathSize];
    if (!widen(path, wide)) return 0;
    const DWORD attributes = GetFileAttributesW(wide);
    clearReadOnly(wide, attributes);
    // With nothing there (no attributes at all), this fails and changes nothing.
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveDirectoryW(wide);
    } else {
        DeleteFileW(wide);
    }
    if (GetFileAttributesW(wide) != INVALID_FILE_ATTRIBUTES) return 0;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// The temporary name of path, cleared of whatever a killed run (or anyone
// else) left there, so the new file is created afresh and never opened
// through a link. 1, or 0 when the name does not fit or cannot be cleared.
static int preparePartial(char (&partial)[kChainBufferSize], const char* path) {
    return textCopy(partial, sizeof partial, path) == 0 && textAppend(partial, sizeof partial, PARTIAL_SUFFIX) == 0 &&
           removePath(partial);
}

// Renames a complete temporary file over path; anything else removes it.
static int finishPartial(const char* partial, const char* path, BOOL complete, const FileCalls& calls) {
    WCHAR wide[kWidePathSize];
    if (complete && widen(path, wide)) {
        clearReadOnly(wide, GetFileAttributesW(wide));
        if (calls.moveFile(partial, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 1;
    }
    removePath(partial);
    return 0;
}

int writeWholeFile(const char* path, const void* data, uint32_t size, const FileCalls& calls) {
    char partial[kChainBufferSize];
    if (!preparePartial(partial, path)) return 0;
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
    WCHAR widePartial[kWidePathSize];
    if (!preparePartial(partial, path) || !widen(partial, widePartial)) return 0;
    // The copy takes the source's attributes; a read-only source still gives
    // a file that can be replaced and deleted.
    const BOOL complete = calls.copyFile(source, widePartial, TRUE) && SetFileAttributesW(widePartial, FILE_ATTRIBUTE_NORMAL);
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
