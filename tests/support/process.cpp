#include "support/process.h"

#include <tlhelp32.h>

#include <cstdio>

#include "support/temp_folder.h"
#include "support/wait.h"

HANDLE startProgram(const std::wstring& program, const std::wstring& arguments) {
    std::wstring line = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    // Under load Wine may refuse a start just after another process was
    // terminated (ERROR_INTERNAL_ERROR); the start is tried again then.
    BOOL started = FALSE;
    waitUntil([&] {
        started = CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info);
        return started || GetLastError() != ERROR_INTERNAL_ERROR;
    });
    if (!started) return nullptr;
    CloseHandle(info.hThread);
    return info.hProcess;
}

HANDLE startProgram(const std::string& program, const std::string& arguments) {
    return startProgram(wide(program), wide(arguments));
}

std::set<DWORD> threadsOf(DWORD processId) {
    std::set<DWORD> threads;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry = {sizeof entry};
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == processId) threads.insert(entry.th32ThreadID);
    CloseHandle(snapshot);
    return threads;
}

DWORD finishProgram(HANDLE process, DWORD milliseconds) {
    DWORD code = STILL_ACTIVE;
    const DWORD waited = WaitForSingleObject(process, milliseconds);
    if (waited == WAIT_OBJECT_0) {
        if (!GetExitCodeProcess(process, &code)) fprintf(stderr, "no exit code: error %lu\n", GetLastError());
    } else {
        fprintf(stderr, "the program did not end: wait result %lu\n", waited);
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 5000);
    }
    CloseHandle(process);
    return code;
}

DWORD runProgram(const std::string& program, const std::string& arguments, DWORD milliseconds) {
    HANDLE process = startProgram(program, arguments);
    if (process == nullptr) fprintf(stderr, "cannot start %s: error %lu\n", program.c_str(), GetLastError());
    return process ? finishProgram(process, milliseconds) : STILL_ACTIVE;
}

std::string environmentValue(const char* name) {
    char buffer[1024] = {};
    DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    return n > 0 && n < sizeof buffer ? std::string(buffer) : std::string();
}

std::string installerPath() { return environmentValue("SONOGRAF_SETUP"); }

std::string ownPath() {
    char buffer[1024] = {};
    GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    return buffer;
}
