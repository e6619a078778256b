// The uninstall procedure, run on the calling (window) thread.
//   runUninstall(ctx)        0, or -1 (package header) / -2 (install folder), reported
//                            to ctx.window; success posts nothing
//   deletePackagedFiles(ctx) deletes the files its own package header names; always 0
//   clearStartupAndTray()    the startup shortcut and the tray settings; result of the
//                            last settings write
#pragma once
#include "core/context.h"

int runUninstall(InstallerContext& context);
int deletePackagedFiles(InstallerContext& context);
int clearStartupAndTray();
