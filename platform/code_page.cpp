#include "platform/code_page.h"

// WC_ERR_INVALID_CHARS, which the headers offer only to Vista and later
// builds; every system that honours a UTF-8 code page knows it.
static const DWORD kStopAtInvalidCharacters = 0x80;

// Under UTF-8 (the manifest asks for it; older systems ignore that) every
// character converts, and only a malformed name fails. Elsewhere a character
// that needs a best fit or the default character does not survive.
int nameSurvivesCodePage(const WCHAR* name) {
    const int utf8 = GetACP() == CP_UTF8;
    BOOL lost = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, utf8 ? kStopAtInvalidCharacters : WC_NO_BEST_FIT_CHARS, name, -1,
                                         nullptr, 0, nullptr, utf8 ? nullptr : &lost);
    return size != 0 && !lost;
}
