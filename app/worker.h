// The procedures as the window runs them: the button's install on a worker
// thread, its uninstall on the window thread, a silent run's procedure on a
// silent worker, and their completion reported to the window as a posted
// command (app/commands.h).
//   startInstallWorker(ctx)     button: 0 once the worker runs, WORKER_NOT_STARTED (busy
//                               cleared again) when it cannot start
//   uninstallReported(ctx)      runUninstall; its failure posted as DONE_FAILED, success
//                               posts nothing
//   startSilentWorker(ctx)      -i or -u: the silent run's procedure on a thread, once the
//                               window is made. 0, or WORKER_NOT_STARTED (which then stays
//                               the run's result)
//   collectSilentWorker(ctx)    on the window thread: waits for it, posts its completion as the
//                               other procedures do and returns its result
#pragma once
#include <windows.h>

#include "core/context.h"

int startInstallWorker(InstallerContext& context);
// Waits for a started worker to end and releases its handle; nothing without one.
void awaitWorker(InstallerContext& context);
int uninstallReported(InstallerContext& context);

int startSilentWorker(InstallerContext& context);
int collectSilentWorker(InstallerContext& context);
