// The procedures as the window runs them: every install on a worker thread,
// every uninstall on the window thread, and their completion reported to the
// window as a posted command (app/commands.h).
//   startInstallWorker(ctx)     button: 0 once the worker runs, WORKER_NOT_STARTED (busy
//                               cleared again) when it cannot start
//   uninstallReported(ctx)      runUninstall; its failure posted as DONE_FAILED, success
//                               posts nothing
//   runSilentProcedure(ctx)     -i or -u, on the window thread: the install on a worker
//                               thread, waited for, or the uninstall on this thread; its
//                               completion posted as the other procedures do. Returns the
//                               procedure's result, WORKER_NOT_STARTED when the install's
//                               thread cannot start
#pragma once
#include <windows.h>

#include "core/context.h"

int startInstallWorker(InstallerContext& context);
// Waits for a started worker to end and releases its handle; nothing without one.
void awaitWorker(InstallerContext& context);
int uninstallReported(InstallerContext& context);

int runSilentProcedure(InstallerContext& context);
