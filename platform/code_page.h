// Names read through a wide call, taken into the ANSI code page only when
// they survive it. A narrow call (an ...A function) gives a name the code page
// cannot hold as a best-fit or '?' stand-in: "C:\users\Łukasz" comes back as
// "C:\users\Lukasz", another folder or none.
//   nameSurvivesCodePage(L"C:\\users\\Zoé")     -> 1 on a Western code page
//   nameSurvivesCodePage(L"C:\\users\\Łukasz")  -> 0 there; 1 where the
//                                                  process's code page is UTF-8
//   nameSurvivesCodePage(wide, narrow, size)    -> the same, and on 1 the name
//                                                  in narrow (size bytes); 0 too
//                                                  when it does not fit
#pragma once
#include <windows.h>

int nameSurvivesCodePage(const WCHAR* name, char* narrow = nullptr, int size = 0);
