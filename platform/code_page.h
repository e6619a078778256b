// Whether a name survives the ANSI code page. A narrow call (an ...A function)
// gives a name the code page cannot hold as a best-fit or '?' stand-in:
// "C:\users\Łukasz" comes back as "C:\users\Lukasz", another folder or none.
// Its caller asks the wide call for the same name and passes the answer here.
//   nameSurvivesCodePage(L"C:\\users\\Zoé")     -> 1 on a Western code page
//   nameSurvivesCodePage(L"C:\\users\\Łukasz")  -> 0 there; 1 where the
//                                                  process's code page is UTF-8
#pragma once
#include <windows.h>

int nameSurvivesCodePage(const WCHAR* name);
