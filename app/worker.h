// The procedures as the window runs them: the install on a worker thread, the
// uninstall on the window thread, and their completion reported to the window
// as a posted command (app/commands.h).
//   startInstallWorker(ctx, 0)  button: 0 once the worker runs, WORKER_NOT_STARTED when it
//                               cannot start
//   startInstallWorker(ctx, 1)  silent install: the procedure's result after the worker ended
//   uninstallReported(ctx)      runUninstall; its failure posted as DONE_FAILED, success
//                               posts nothing
#pragma once
#include <windows.h>

#include "core/context.h"

int startInstallWorker(InstallerContext& context, int wait);
// Waits for a started worker to end and releases its handle; nothing without one.
void awaitInstallWorker(InstallerContext& context);
// Thread routine: below-normal priority, its own COM, runInstall, its completion
// posted (after errorText is written), busy cleared last.
DWORD WINAPI installWorkerMain(LPVOID context);
int uninstallReported(InstallerContext& context);
