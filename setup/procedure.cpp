#include "setup/procedure.h"

#include <windows.h>

#include "core/product.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "setup/registry.h"

const char installSubfolder[] = "OV\\" PRODUCT_NAME;
const char menuSubfolder[] = "Orvane\\" PRODUCT_NAME;
const char readmeShortcutName[] = "Readme";
const char readmeFileName[] = "readme.txt";
const char applicationShortcutName[] = PRODUCT_NAME;
const char applicationFileName[] = PRODUCT_NAME ".exe";
const char uninstallerFileName[] = PRODUCT_NAME "Setup.exe";

ExitCode failProcedure(InstallerContext& context, ExitCode code, const char* text, const char* more) {
    textCopy(context.errorText, sizeof context.errorText, text);
    textAppend(context.errorText, sizeof context.errorText, more);
    return code;
}

int readProgramsFolder(int which, char folder[PROCEDURE_PATH_SIZE]) {
    const int read = which == USER_PROGRAMS ? getUserString(shellFoldersKey, L"Programs", folder, PROCEDURE_PATH_SIZE)
                                            : textCopy(folder, PROCEDURE_PATH_SIZE, getCommonProgramsFolder()) == 0;
    // A relative folder ("." or empty) would be taken below the current one.
    return read && pathIsAbsolute(folder);
}

int composeMenuFolder(char folder[PROCEDURE_PATH_SIZE]) {
    return textJoin(folder, PROCEDURE_PATH_SIZE, folder, menuSubfolder);
}

int locateInstallFolder(InstallerContext& context) {
    return resolveInstallFolder(context.installFolder, sizeof context.installFolder, installSubfolder);
}

int composeInstalledPath(char path[PROCEDURE_PATH_SIZE], const InstallerContext& context, const char* name) {
    return textJoin(path, PROCEDURE_PATH_SIZE, context.installFolder, name);
}

int productInstalled(const InstallerContext& context) {
    char path[PROCEDURE_PATH_SIZE];
    return composeInstalledPath(path, context, applicationFileName) == 0 && fileExists(path) &&
           machineKeyHas(uninstallEntryKey, L"" ENTRY_COMPLETION_VALUE);
}

int productTraces(const InstallerContext& context) {
    return folderExists(context.installFolder) || machineKeyHas(uninstallEntryKey, nullptr);
}
