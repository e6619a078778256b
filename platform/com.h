// COM, with ole32 loaded on first use: a run that never makes a shortcut nor
// opens a link (a silent uninstall) does not pay for loading it.
//   comInitialize()                      CoInitialize on this thread; E_FAIL when
//                                        ole32 cannot be loaded
//   comUninitialize()                    CoUninitialize, after an S_OK comInitialize
//   comCreateInstance(clsid, iid, &object)
//                                        CoCreateInstance of an in-process server
#pragma once
#include <objbase.h>

HRESULT comInitialize();
void comUninitialize();
HRESULT comCreateInstance(REFCLSID clsid, REFIID iid, void** object);
