// The install procedure and the worker thread it runs on.
//   startInstallWorker(ctx, 0)  button: 0 once the worker runs, -1 when it cannot start
//   startInstallWorker(ctx, 1)  silent install: the procedure's result after the worker ended
//   runInstall(ctx)             header, install folder, extraction, shortcuts, uninstaller
//                               copy, uninstall entry; 0, -1, -2, -3 or -10. It posts the
//                               completion command to ctx.window in every case.
#pragma once
#include <windows.h>

#include "core/context.h"

int startInstallWorker(InstallerContext& context, int wait);
// Waits for a started worker to end and releases its handle; nothing without one.
void awaitInstallWorker(InstallerContext& context);
// Thread routine: below-normal priority, its own COM, runInstall, busy cleared last.
DWORD WINAPI installWorkerMain(LPVOID context);
int runInstall(InstallerContext& context);
