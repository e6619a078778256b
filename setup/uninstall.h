// The uninstall procedure, run on the calling (window) thread.
//   runUninstall(ctx)        INSTALLER_OK, or PACKAGE_UNREADABLE / NO_INSTALL_FOLDER /
//                            APPLICATION_STAYS (core/exit_code.h) with errorCaption and
//                            errorText filled; posts nothing
//   deletePackagedFiles(ctx) deletes the files its own package header names; always 0
//   clearStartupAndTray()    the startup shortcut and the tray settings; result of the
//                            last settings write
#pragma once
#include "core/context.h"
#include "core/exit_code.h"

ExitCode runUninstall(InstallerContext& context);
int deletePackagedFiles(InstallerContext& context);
int clearStartupAndTray();
