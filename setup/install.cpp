#include "setup/install.h"

#include <windows.h>

#include "core/exit_code.h"
#include "core/product.h"
#include "package/extract_core.h"
#include "package/package_format.h"
#include "package/package_resource.h"
#include "platform/files.h"
#include "platform/text.h"
#include "setup/procedure.h"
#include "setup/registry.h"
#include "setup/shortcuts.h"

namespace {
const char kCorruptPackageText[] = "Installation package might be corrupted\n" PACKAGE_DOWNLOAD_ADVICE;
const char kNoTargetFolderText[] = "Failed to create target folder on system disk\n" PACKAGE_DOWNLOAD_ADVICE;
// Put before kCorruptPackageText when an entry is damaged.
const char kCopyFailedText[] = "Failed to copy file(s) to destination folder...\n";
// Follows the path of the folder or file that could not be written.
const char kNotWrittenText[] = "\ncould not be written to: it is in use, blocked or too long.";

void setStatus(InstallerContext& context, const char* text) {
    textCopy(context.statusText, sizeof context.statusText, text);
}

// The two shortcuts in the application's folder below one programs folder.
void createMenuShortcuts(const InstallerContext& context, char folder[PROCEDURE_PATH_SIZE]) {
    if (composeMenuFolder(folder) != 0 || !createFolderChain(folder)) return;
    char target[PROCEDURE_PATH_SIZE];
    if (composeInstalledPath(target, context, readmeFileName) == 0) createShortcut(target, folder, readmeShortcutName);
    if (composeInstalledPath(target, context, applicationFileName) == 0)
        createShortcut(target, folder, applicationShortcutName);
}

// -10 names the cause it knows: the install folder when entries could only
// not be written there, else the package.
ExitCode failCopy(InstallerContext& context, const unsigned outcomes[PACKAGE_ENTRY_COUNT]) {
    static_assert(PACKAGE_ENTRY_COUNT == 2, "every entry's outcome is looked at");
    if ((outcomes[0] | outcomes[1]) == ENTRY_NOT_WRITTEN)
        return failProcedure(context, COPY_FAILED, context.installFolder, kNotWrittenText);
    return failProcedure(context, COPY_FAILED, kCopyFailedText, kCorruptPackageText);
}

// Copies the running installer into the install folder as the uninstaller
// copy, into `copy`. The source is read through its wide path, which names it
// whatever characters its name and folders hold. 1 only when the copy then
// holds exactly the running installer's bytes.
int copyUninstaller(const InstallerContext& context, char copy[PROCEDURE_PATH_SIZE]) {
    WCHAR self[PROCEDURE_PATH_SIZE];
    return ownProgramPath(self, PROCEDURE_PATH_SIZE) && composeInstalledPath(copy, context, uninstallerFileName) == 0 &&
           copyWholeFile(self, copy);
}

// KiB of what the install put on disk: the packaged files and the uninstaller
// copy, which holds the installer's own bytes.
uint32_t installedKilobytes(const InstallerContext& context, const char* copy) {
    uint64_t bytes = 0;
    for (uint32_t index = 0; index < PACKAGE_ENTRY_COUNT; ++index) {
        PackageEntry entry;
        readPackageEntry(context.packageHeader, index, &entry);
        bytes += entry.size;
    }
    WIN32_FILE_ATTRIBUTE_DATA self;
    if (GetFileAttributesExA(copy, GetFileExInfoStandard, &self)) bytes += self.nFileSizeLow;
    return static_cast<uint32_t>((bytes + 1023) / 1024);
}

// `path` in double quotes, then `after`; 0, or -1 when it does not fit.
int quotePath(char (&dst)[PROCEDURE_PATH_SIZE], const char* path, const char* after) {
    if (textCopy(dst, sizeof dst, "\"") != 0 || textAppend(dst, sizeof dst, path) != 0 ||
        textAppend(dst, sizeof dst, "\"") != 0 || textAppend(dst, sizeof dst, after) != 0)
        return -1;
    return 0;
}

// The entry in the list of installed programs, written after everything else:
// its last value marks a complete install. Windows runs UninstallString as a
// command line, so the path is quoted: unquoted, a path with blanks would let
// "C:\Program.exe" run in its place.
void writeUninstallEntry(const InstallerContext& context, const char* copy) {
    const char* key = uninstallEntryKey;
    char quoted[PROCEDURE_PATH_SIZE];
    char quiet[PROCEDURE_PATH_SIZE];
    if (quotePath(quoted, copy, "") != 0 || quotePath(quiet, copy, " -h -u") != 0) return;
    // Values and subkeys left in the key by anything else go first (a
    // SystemComponent value would hide the entry from the list).
    deleteKeyTree(HKEY_LOCAL_MACHINE, key);
    setMachineString(key, "DisplayName", PRODUCT_DISPLAY_NAME);
    setMachineString(key, "Publisher", PRODUCT_PUBLISHER);
    setMachineString(key, "UninstallString", quoted);
    setMachineString(key, "DisplayIcon", copy);
    setMachineString(key, "DisplayVersion", PRODUCT_VERSION);
    setMachineString(key, "InstallLocation", context.installFolder);
    setMachineString(key, "QuietUninstallString", quiet);
    setMachineDword(key, "EstimatedSize", installedKilobytes(context, copy));
    setMachineDword(key, "NoModify", 1);
    setMachineDword(key, ENTRY_COMPLETION_VALUE, 1);
}
}  // namespace

ExitCode runInstall(InstallerContext& context) {
    textCopy(context.errorCaption, sizeof context.errorCaption, INSTALL_ERROR_CAPTION);
    setStatus(context, "Extract Package");
    if (readPackageHeader(context.instance, context.packageHeader) != 0)
        return failProcedure(context, PACKAGE_UNREADABLE, kCorruptPackageText);
    setStatus(context, "Copy Files");
    if (locateInstallFolder(context) != 0) return failProcedure(context, NO_INSTALL_FOLDER, kNoTargetFolderText);
    if (!createFolderChain(context.installFolder))
        return failProcedure(context, INSTALL_FOLDER_NOT_CREATED, kNoTargetFolderText);
    unsigned outcomes[PACKAGE_ENTRY_COUNT] = {};
    if (extractPackage(context.instance, context.packageHeader, context.installFolder, nullptr, outcomes) != 0)
        return failCopy(context, outcomes);

    // The shortcuts are best effort; the uninstaller copy is not.
    setStatus(context, "Finalize Installation");
    char folder[PROCEDURE_PATH_SIZE];
    for (int which = 0; which < PROGRAMS_FOLDER_COUNT; ++which)
        if (readProgramsFolder(which, folder)) createMenuShortcuts(context, folder);
    // Without a whole uninstaller copy the entry would name a missing or torn file.
    char copy[PROCEDURE_PATH_SIZE];
    if (!copyUninstaller(context, copy)) return failProcedure(context, COPY_FAILED, copy, kNotWrittenText);
    writeUninstallEntry(context, copy);
    setStatus(context, "Installation Completed");
    return INSTALLER_OK;
}
