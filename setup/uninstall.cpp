#include "setup/uninstall.h"

#include <windows.h>

#include "core/exit_code.h"
#include "core/product.h"
#include "package/package_format.h"
#include "package/package_resource.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "setup/procedure.h"
#include "setup/registry.h"
#include "setup/shortcuts.h"

namespace {
const char kCorruptUninstallPackageText[] = "De-Installation package might be corrupted\n" PACKAGE_DOWNLOAD_ADVICE;
const char kNoRemovalFolderText[] =
    "Failed to get target folder on system disk\nthanks to remove " PRODUCT_NAME " manually...";
// Follows the path of the first of the product's files that stays.
const char kFileStaysText[] = "\ncould not be removed: it is in use or out of reach.\nClose it and uninstall again.";

// Where the uninstaller copy goes when it cannot be deleted, beside the
// install folder. One fixed name: a later move replaces the file left there.
const char kSetAsideCopyName[] = PRODUCT_NAME "Setup.tmp";

// Removes one of the product's own files. errorText names the first that
// stays; it is empty while none does.
void removeOwn(InstallerContext& context, const char* path) {
    if (!removePath(path) && context.errorText[0] == '\0')
        failProcedure(context, PRODUCT_FILE_STAYS, path, kFileStaysText);
}

// One of the product's own files in the install folder, the temporary file a
// killed install may have left beside it, and then the folders its name
// holds, innermost first, each only if nothing else is left in it.
void removeInstalled(InstallerContext& context, const char* name) {
    char path[PROCEDURE_PATH_SIZE];
    if (composeInstalledPath(path, context, name) != 0) return;
    removeOwn(context, path);
    if (textAppend(path, sizeof path, PARTIAL_SUFFIX) == 0) removeOwn(context, path);
    for (; *name != '\0'; ++name) {
        if (*name != '\\') continue;
        removeLastComponent(path);
        removePath(path);
    }
}

// A path too long to compose was never saved either.
void removeShortcut(InstallerContext& context, const char* folder, const char* name) {
    char path[kShortcutPathSize];
    if (composeShortcutPath(path, folder, name) == 0) removeOwn(context, path);
}

// The two shortcuts below one programs folder, then the application's folder
// there if nothing else is left in it.
void removeMenuFolder(InstallerContext& context, char folder[PROCEDURE_PATH_SIZE]) {
    if (composeMenuFolder(folder) != 0) return;
    removeShortcut(context, folder, applicationShortcutName);
    removeShortcut(context, folder, readmeShortcutName);
    removePath(folder);
}

// The uninstaller copy, with its temporary file. Run from it (as the entry
// starts it, under whatever spelling of its path), the copy cannot be
// deleted, but a running program's file can be renamed within its volume: it
// moves out of the install folder, which can then go, to the folder above,
// and is deleted at the next restart. Only that name is left for the restart,
// so nothing a later install writes is ever deleted then. A folder of the
// copy's name is never moved: empty, it goes; holding something, it stays.
void removeUninstallerCopy(InstallerContext& context) {
    char copy[PROCEDURE_PATH_SIZE];
    char aside[PROCEDURE_PATH_SIZE];
    if (composeInstalledPath(copy, context, uninstallerFileName) != 0) return;
    if (!removePath(copy) && fileExists(copy)) {
        textCopy(aside, sizeof aside, context.installFolder);
        removeLastComponent(aside);
        if (textJoin(aside, sizeof aside, aside, kSetAsideCopyName) == 0 &&
            MoveFileExA(copy, aside, MOVEFILE_REPLACE_EXISTING))
            MoveFileExA(aside, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
    removeInstalled(context, uninstallerFileName);
}
}  // namespace

int deletePackagedFiles(InstallerContext& context) {
    for (uint32_t index = 0; index < PACKAGE_ENTRY_COUNT; ++index) {
        PackageEntry entry;
        readPackageEntry(context.packageHeader, index, &entry);
        // The header is untrusted: a name the extraction would refuse is never
        // joined to the install folder, so it cannot reach a file outside it.
        if (packageNameIsSafe(entry.name)) removeInstalled(context, entry.name);
    }
    return 0;
}

int clearStartupAndTray(InstallerContext& context) {
    // Without a known startup folder the shortcut's path would be relative to
    // the current folder: its deletion is skipped then.
    const char* startup = getStartupFolder();
    if (pathIsAbsolute(startup)) removeShortcut(context, startup, PRODUCT_NAME " (Orvane)");
    setUserDword(settingsKey, "SysTray", 0);
    return setUserDword(settingsKey, "SysTrayShowOnRun", 0);
}

ExitCode runUninstall(InstallerContext& context) {
    textCopy(context.errorCaption, sizeof context.errorCaption, UNINSTALL_ERROR_CAPTION);
    if (readPackageHeader(context.instance, context.packageHeader) != 0)
        return failProcedure(context, PACKAGE_UNREADABLE, kCorruptUninstallPackageText);
    if (locateInstallFolder(context) != 0) return failProcedure(context, NO_INSTALL_FOLDER, kNoRemovalFolderText);

    // Only the product's own files go, and a folder only once nothing else is
    // left in it: what the user put there stays, with its folders.
    context.errorText[0] = '\0';
    deletePackagedFiles(context);
    char folder[PROCEDURE_PATH_SIZE];
    for (int which = 0; which < PROGRAMS_FOLDER_COUNT; ++which)
        if (readProgramsFolder(which, folder)) removeMenuFolder(context, folder);
    clearStartupAndTray(context);
    // While a file of the product stays (the application still runs, or
    // another program holds a file open), the entry and the uninstaller copy
    // stay too, so that the uninstall can be run again from the list of
    // installed programs.
    if (context.errorText[0] != '\0')
        return composeInstalledPath(folder, context, applicationFileName) == 0 && fileExists(folder)
                   ? APPLICATION_STAYS
                   : PRODUCT_FILE_STAYS;
    deleteKeyTree(HKEY_LOCAL_MACHINE, uninstallEntryKey);
    removeUninstallerCopy(context);
    removePath(context.installFolder);
    return context.errorText[0] != '\0' ? PRODUCT_FILE_STAYS : INSTALLER_OK;
}
