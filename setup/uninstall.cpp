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

// The shortcuts and the application's folder below one programs folder, with
// whatever else it holds.
void removeMenuFolder(char folder[PROCEDURE_PATH_SIZE]) {
    if (composeMenuFolder(folder) != 0) return;
    deleteShortcut(folder, applicationShortcutName);
    deleteShortcut(folder, readmeShortcutName);
    deleteFolderTree(folder);
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
        if (composeInstalledPath(path, context, entry.name) == 0) DeleteFileA(path);
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

int runUninstall(InstallerContext& context) {
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
    char key[PROCEDURE_PATH_SIZE];
    if (composeUninstallKeyPath(key, sizeof key) == 0) deleteKeyTree(HKEY_LOCAL_MACHINE, key);
    if (locateInstallFolder(context) == 0) {
        deleteFolderTree(context.installFolder);
        context.installFolder[0] = '\0';
    }
    return INSTALLER_OK;
}
