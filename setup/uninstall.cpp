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
const char kApplicationStaysText[] =
    PRODUCT_NAME " is still running or in use and could not be removed.\nClose it and uninstall again.";

// Where the uninstaller copy goes when it cannot be deleted, beside the
// install folder. One fixed name: a later move replaces the file left there.
const char kSetAsideCopyName[] = PRODUCT_NAME "Setup.tmp";

// The shortcuts and the application's folder below one programs folder, with
// whatever else it holds.
void removeMenuFolder(char folder[PROCEDURE_PATH_SIZE]) {
    if (composeMenuFolder(folder) != 0) return;
    deleteShortcut(folder, applicationShortcutName);
    deleteShortcut(folder, readmeShortcutName);
    deleteFolderTree(folder);
}

// Deletes the uninstaller copy. Run from it (as the entry starts it, under
// whatever spelling of its path), the copy cannot be deleted, but a running
// program's file can be renamed within its volume: it moves out of the
// install folder, which can then go, to the folder above, and is deleted at
// the next restart. Only that name is left for the restart, so nothing a
// later install writes is ever deleted then. A folder of the copy's name is
// not the copy and stays. 1 when the copy has left the install folder.
int removeUninstallerCopy(const InstallerContext& context) {
    char copy[PROCEDURE_PATH_SIZE];
    char aside[PROCEDURE_PATH_SIZE];
    if (composeInstalledPath(copy, context, uninstallerFileName) != 0) return 0;
    if (removeFile(copy)) return 1;
    if (!fileExists(copy)) return 0;
    textCopy(aside, sizeof aside, context.installFolder);
    removeLastComponent(aside);
    if (textJoin(aside, sizeof aside, aside, kSetAsideCopyName) != 0 ||
        !MoveFileExA(copy, aside, MOVEFILE_REPLACE_EXISTING))
        return 0;
    MoveFileExA(aside, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return 1;
}
}  // namespace

int deletePackagedFiles(InstallerContext& context) {
    for (uint32_t index = 0; index < PACKAGE_ENTRY_COUNT; ++index) {
        PackageEntry entry;
        readPackageEntry(context.packageHeader, index, &entry);
        // The header is untrusted: a name the extraction would refuse is never
        // joined to the install folder, so it cannot reach a file outside it.
        if (!packageNameIsSafe(entry.name)) continue;
        char path[PROCEDURE_PATH_SIZE];
        if (composeInstalledPath(path, context, entry.name) == 0) removeFile(path);
    }
    return 0;
}

int clearStartupAndTray() {
    // Without a known startup folder the shortcut's path would be relative to
    // the current folder: its deletion is skipped then.
    const char* startup = getStartupFolder();
    if (pathIsAbsolute(startup)) deleteShortcut(startup, PRODUCT_NAME " (Orvane)");
    setUserDword(settingsKey, "SysTray", 0);
    return setUserDword(settingsKey, "SysTrayShowOnRun", 0);
}

ExitCode runUninstall(InstallerContext& context) {
    textCopy(context.errorCaption, sizeof context.errorCaption, UNINSTALL_ERROR_CAPTION);
    if (readPackageHeader(context.instance, context.packageHeader) != 0)
        return failProcedure(context, PACKAGE_UNREADABLE, kCorruptUninstallPackageText);
    if (locateInstallFolder(context) != 0) return failProcedure(context, NO_INSTALL_FOLDER, kNoRemovalFolderText);

    // Every removal from here on is best effort; the install folder goes last.
    deletePackagedFiles(context);
    char folder[PROCEDURE_PATH_SIZE];
    for (int which = 0; which < PROGRAMS_FOLDER_COUNT; ++which)
        if (readProgramsFolder(which, folder)) removeMenuFolder(folder);
    clearStartupAndTray();
    // An application that still runs, or that another program holds open, keeps
    // its file: the entry and the uninstaller copy stay too, so that the
    // uninstall can be run again from the list of installed programs.
    char path[PROCEDURE_PATH_SIZE];
    if (composeInstalledPath(path, context, applicationFileName) == 0 && fileExists(path))
        return failProcedure(context, APPLICATION_STAYS, kApplicationStaysText);
    deleteKeyTree(HKEY_LOCAL_MACHINE, uninstallEntryKey);
    if (locateInstallFolder(context) == 0) {
        removeUninstallerCopy(context);
        deleteFolderTree(context.installFolder);
        context.installFolder[0] = '\0';
    }
    return INSTALLER_OK;
}
