// Command messages of the main window: WM_COMMAND posted (never sent) to the
// context's window, identifier in the low word of wParam, code in lParam.
#pragma once

enum {
    CMD_SILENT_RUN = 165,  // the window's own: run the selected procedure now
    SILENT_RUN_CODE = 101,
    CMD_PROCEDURE_DONE = 180,  // a procedure reports back
    DONE_FAILED = 127,         // errorCaption and errorText are filled
    DONE_INSTALLED = 128,
};
