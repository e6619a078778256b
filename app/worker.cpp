#include "app/worker.h"

#include "app/commands.h"
#include "app/window.h"
#include "core/exit_code.h"
#include "platform/com.h"
#include "setup/install.h"
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
}  // namespace

DWORD WINAPI installWorkerMain(LPVOID parameter) {
    InstallerContext& context = *static_cast<InstallerContext*>(parameter);
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
    const HRESULT com = comInitialize();
    context.workerResult = reportProcedure(runInstall(context), DONE_INSTALLED);
    if (com == S_OK) comUninitialize();
    context.busy = 0;
    return 0;
}

int startInstallWorker(InstallerContext& context, int wait) {
    context.workerResult = WORKER_NOT_STARTED;
    context.busy = 1;
    DWORD threadId = 0;
    context.workerThread = CreateThread(nullptr, 0, installWorkerMain, &context, 0, &threadId);
    context.workerThreadId = threadId;
    // Without a worker nothing will clear busy, and the window would refuse
    // to close for good.
    if (context.workerThread == nullptr) {
        context.busy = 0;
        return WORKER_NOT_STARTED;
    }
    if (!wait) return INSTALLER_OK;
    awaitInstallWorker(context);
    return context.workerResult;
}

void awaitInstallWorker(InstallerContext& context) {
    if (context.workerThread == nullptr) return;
    WaitForSingleObject(context.workerThread, INFINITE);
    CloseHandle(context.workerThread);
    context.workerThread = nullptr;
}

int uninstallReported(InstallerContext& context) {
    return reportProcedure(runUninstall(context), 0);
}
