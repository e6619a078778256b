#include "platform/com.h"

#include "platform/folders.h"
#include "platform/lookup.h"

typedef HRESULT(WINAPI* CoInitializeFn)(LPVOID);
typedef void(WINAPI* CoUninitializeFn)();
typedef HRESULT(WINAPI* CoCreateInstanceFn)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);

// Loaded once, from the system directory, and kept.
static FARPROC ole32Function(const char* name) {
    static HMODULE ole32;
    if (ole32 == nullptr) ole32 = loadSystemLibrary("ole32.dll");
    return lookupFunction<FARPROC>(ole32, name);
}

template <typename Function>
static Function comFunction(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(ole32Function(name)));
}

HRESULT comInitialize() {
    const CoInitializeFn initialize = comFunction<CoInitializeFn>("CoInitialize");
    return initialize != nullptr ? initialize(nullptr) : E_FAIL;
}

void comUninitialize() {
    comFunction<CoUninitializeFn>("CoUninitialize")();
}

HRESULT comCreateInstance(REFCLSID clsid, REFIID iid, void** object) {
    const CoCreateInstanceFn create = comFunction<CoCreateInstanceFn>("CoCreateInstance");
    return create != nullptr ? create(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, object) : E_FAIL;
}
