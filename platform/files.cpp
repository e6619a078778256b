#include "platform/files.h"

#include "platform/text.h"

const FileCalls realFileCalls = {
    CreateDirectoryA, GetLastError, FindFirstFileA, FindNextFileA, FindClose,
    DeleteFileA,      RemoveDirectoryA, CreateFileA, WriteFile,     CloseHandle,
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
            removed = calls.deleteFile(work);
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

int writeWholeFile(const char* path, const void* data, uint32_t size, const FileCalls& calls) {
    HANDLE file = calls.createFile(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    DWORD written = 0;
    BOOL ok = calls.writeFile(file, data, size, &written, nullptr) && written == size;
    calls.closeHandle(file);
    // A file cut short (a full disk) is not left behind looking installed.
    if (!ok) calls.deleteFile(path);
    return ok ? 1 : 0;
}

int fileExists(const char* path, const FileCalls& calls) {
    HANDLE file =
        calls.createFile(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    calls.closeHandle(file);
    return 1;
}
