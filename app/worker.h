// The procedures as the window runs them: every install on a worker thread,
// every uninstall on the window thread, and their completion reported to the
// window as a command posted to context.window (app/commands.h).
//   startInstallWorker(ctx)     button: 1 once the worker runs, 0 (busy cleared
//                               again) when it cannot start
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
#include "core/exit_code.h"

int startInstallWorker(InstallerContext& context);
// Waits for a started worker to end and releases its handle; nothing without one.
void awaitWorker(InstallerContext& context);
ExitCode uninstallReported(InstallerContext& context);

ExitCode runSilentProcedure(InstallerContext& context);
