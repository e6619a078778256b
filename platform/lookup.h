// Run-time lookup of a function that not every supported Windows exports.
// Returns null when the module or the function is missing.
#pragma once
#include <windows.h>

typedef FARPROC(WINAPI* GetProcAddressCall)(HMODULE module, LPCSTR name);

template <typename Function>
Function lookupFunction(HMODULE module, const char* name, GetProcAddressCall getProcAddress = GetProcAddress) {
    if (module == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(getProcAddress(module, name)));
}
