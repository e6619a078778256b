// The uninstall procedure, run on the calling (window) thread. It removes only
// the product's own files, and a folder only once nothing else is left in it.
//   runUninstall(ctx)        INSTALLER_OK, or PACKAGE_UNREADABLE / NO_INSTALL_FOLDER /
//                            APPLICATION_STAYS / PRODUCT_FILE_STAYS (core/exit_code.h) with
//                            errorCaption and errorText filled; posts nothing
//   deletePackagedFiles(ctx) deletes the files its own package header names, each with
//                            its temporary file, and their own folders; always 0
//   clearStartupAndTray(ctx) the startup shortcut and the tray settings; result of the
//                            last settings write
// A file of the product's own that stays is named in errorText (the first one).
#pragma once
#include "core/context.h"
#include "core/exit_code.h"

ExitCode runUninstall(InstallerContext& context);
int deletePackagedFiles(InstallerContext& context);
int clearStartupAndTray(InstallerContext& context);
