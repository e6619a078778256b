#include "platform/code_page.h"

// WC_ERR_INVALID_CHARS, which the headers offer only to Vista and later
// builds; every system that honours a UTF-8 code page knows it.
static const DWORD kStopAtInvalidCharacters = 0x80;

// Under UTF-8 (the manifest asks for it; older systems ignore that) every
// character converts, and only a malformed name fails. Elsewhere a character
// that needs a best fit or the default character does not survive.
int nameSurvivesCodePage(const WCHAR* name, char* narrow, int size) {
    BOOL lost = FALSE;
    BOOL* lostTo = &lost;
    DWORD flags = WC_NO_BEST_FIT_CHARS;
    if (GetACP() == CP_UTF8) {
        lostTo = nullptr;
        flags = kStopAtInvalidCharacters;
    }
    return WideCharToMultiByte(CP_ACP, flags, name, -1, narrow, size, nullptr, lostTo) != 0 && !lost;
}
