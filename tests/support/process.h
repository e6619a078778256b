// Child processes for Windows tests: start a program, wait for it and read its
// full 32-bit exit code (a shell would see only the low 8 bits).
#pragma once
#include <windows.h>

#include <set>
#include <string>

// Starts `program` with the command line `arguments`; the handle is 0 on failure.
// The wide form takes a path in any characters.
HANDLE startProgram(const std::string& program, const std::string& arguments);
HANDLE startProgram(const std::wstring& program, const std::wstring& arguments);
// Waits up to `milliseconds`; returns the exit code, or STILL_ACTIVE on timeout
// (the process is then terminated). Closes the handle.
DWORD finishProgram(HANDLE process, DWORD milliseconds);
// startProgram then finishProgram.
DWORD runProgram(const std::string& program, const std::string& arguments, DWORD milliseconds);
// An environment variable's value, empty when unset.
std::string environmentValue(const char* name);
// The installer under test (SONOGRAF_SETUP), and this test program's own path.
std::string installerPath();
std::string ownPath();
// The ids of a process's threads now.
std::set<DWORD> threadsOf(DWORD processId);
