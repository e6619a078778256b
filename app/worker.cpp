#include "app/worker.h"

#include "app/commands.h"
#include "app/switches.h"
#include "app/window.h"
#include "core/exit_code.h"
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
int reportProcedure(int result, LPARAM success) {
    if (result != INSTALLER_OK) success = DONE_FAILED;
    if (success != 0) postToWindow(WM_COMMAND, CMD_PROCEDURE_DONE, success);
    return result;
}

// The install on a thread of its own, which needs COM of its own for the shortcuts.
int installWithCom(InstallerContext& context) {
    const HRESULT com = comInitialize();
    const int result = runInstall(context);
    if (com == S_OK) comUninitialize();
    return result;
}

// The button's install: below-normal priority, so the window stays lively;
// its completion posted (after errorText is written), busy cleared last.
DWORD WINAPI installWorkerMain(LPVOID parameter) {
    InstallerContext& context = *static_cast<InstallerContext*>(parameter);
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
    context.workerResult = reportProcedure(installWithCom(context), DONE_INSTALLED);
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
        return WORKER_NOT_STARTED;
    }
    return INSTALLER_OK;
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

int uninstallReported(InstallerContext& context) {
    return reportProcedure(runUninstall(context), 0);
}

int runSilentProcedure(InstallerContext& context) {
    // A silent run uninstalls whenever the application is installed, and
    // installs (or completes an install) only with -i; -u removes whatever an
    // install or an interrupted run left, and with nothing there does nothing.
    if (!context.alreadyInstalled && silentInstall) {
        // A worker that never started has nothing to report.
        if (startWorker(context, silentInstallMain) != INSTALLER_OK) return WORKER_NOT_STARTED;
        awaitWorker(context);
        return reportProcedure(context.workerResult, DONE_INSTALLED);
    }
    if (context.alreadyInstalled || productTraces(context)) return uninstallReported(context);
    return INSTALLER_OK;
}
