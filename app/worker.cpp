#include "app/worker.h"

#include "app/commands.h"
#include "app/switches.h"
#include "core/product.h"
#include "platform/com.h"
#include "platform/folders.h"
#include "setup/install.h"
#include "setup/procedure.h"
#include "setup/uninstall.h"

namespace {
// Posts, never sends, DONE_FAILED when `result` is a failure and `success`
// otherwise (nothing when that is 0): the window shows it when it next reads
// its queue. Returns `result`.
ExitCode reportProcedure(const InstallerContext& context, ExitCode result, LPARAM success) {
    if (result != INSTALLER_OK) success = DONE_FAILED;
    if (success != 0) PostMessageA(context.window, WM_COMMAND, CMD_PROCEDURE_DONE, success);
    return result;
}

// The install on a thread of its own, which needs COM of its own for the shortcuts.
ExitCode installWithCom(InstallerContext& context) {
    const HRESULT com = comInitialize();
    const ExitCode result = runInstall(context);
    if (com == S_OK) comUninitialize();
    return result;
}

// The button's install: below-normal priority, so the window stays lively;
// its completion posted (after errorText is written), busy cleared last.
DWORD WINAPI installWorkerMain(LPVOID parameter) {
    InstallerContext& context = *static_cast<InstallerContext*>(parameter);
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
    context.workerResult = reportProcedure(context, installWithCom(context), DONE_INSTALLED);
    context.busy = 0;
    return 0;
}

// A silent run's install: at normal priority, as nothing else waits for the CPU.
DWORD WINAPI silentInstallMain(LPVOID parameter) {
    InstallerContext& context = *static_cast<InstallerContext*>(parameter);
    context.workerResult = installWithCom(context);
    context.busy = 0;
    return 0;
}

// 1 when the worker runs, 0 when it could not be started.
int startWorker(InstallerContext& context, LPTHREAD_START_ROUTINE routine) {
    context.workerResult = WORKER_NOT_STARTED;
    context.busy = 1;
    DWORD threadId = 0;
    context.workerThread = CreateThread(nullptr, 0, routine, &context, 0, &threadId);
    context.workerThreadId = threadId;
    // Without a worker nothing will clear busy, and the window would refuse
    // to close for good.
    if (context.workerThread == nullptr) {
        context.busy = 0;
        return 0;
    }
    return 1;
}
}  // namespace

int startInstallWorker(InstallerContext& context) {
    return startWorker(context, installWorkerMain);
}

void awaitWorker(InstallerContext& context) {
    if (context.workerThread == nullptr) return;
    WaitForSingleObject(context.workerThread, INFINITE);
    CloseHandle(context.workerThread);
    context.workerThread = nullptr;
}

ExitCode uninstallReported(InstallerContext& context) {
    return reportProcedure(context, runUninstall(context), 0);
}

ExitCode runSilentProcedure(InstallerContext& context) {
    // A silent run uninstalls whenever the application is installed, and
    // installs (or completes an install) only with -i; -u removes whatever an
    // install or an interrupted run left, and with nothing there does nothing.
    if (!context.alreadyInstalled && silentInstall) {
        // A worker that never started has nothing to report.
        if (!startWorker(context, silentInstallMain)) return WORKER_NOT_STARTED;
        awaitWorker(context);
        return reportProcedure(context, static_cast<ExitCode>(context.workerResult), DONE_INSTALLED);
    }
    if (context.alreadyInstalled || productTraces(context)) return uninstallReported(context);
    return INSTALLER_OK;
}
