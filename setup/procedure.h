// What the install and uninstall procedures share: the names and folders they
// compose, and the way they record a failure for the window to show.
#pragma once
#include <cstddef>

#include "core/context.h"
#include "core/exit_code.h"
#include "core/product.h"
#include "package/package_format.h"

const size_t PROCEDURE_PATH_SIZE = 1024;

// The procedures read the package header into the context's copy of it.
static_assert(sizeof InstallerContext::packageHeader == PACKAGE_HEADER_SIZE, "the context holds one package header");

extern const char installSubfolder[];   // "OV\Sonograf", below Program Files
extern const char menuSubfolder[];      // "Orvane\Sonograf", below a programs folder
extern const char readmeShortcutName[];
extern const char readmeFileName[];
extern const char applicationShortcutName[];
extern const char applicationFileName[];  // the installed application, "Sonograf.exe"
// The uninstaller copy's name in the install folder, whatever the running
// installer's file is called: no packaged file may be overwritten by it.
extern const char uninstallerFileName[];  // "SonografSetup.exe"

// The advice that ends the procedures' package failure texts.
#define PACKAGE_DOWNLOAD_ADVICE "thanks to download official package at\n" PRODUCT_WEB_ADDRESS "."

// Writes errorText = text, then more (a path and what befell it, or a text
// and a shared tail); errorCaption is the procedure's own. Returns `code`.
ExitCode failProcedure(InstallerContext& context, ExitCode code, const char* text, const char* more = "");
// The programs folders that hold the application's Start-menu folder: the
// user's and all users'. readProgramsFolder fills `folder` with one of them;
// 1 when there is one, 0 when it is unknown, not an absolute path or does not fit.
enum ProgramsFolder { USER_PROGRAMS, COMMON_PROGRAMS, PROGRAMS_FOLDER_COUNT };
int readProgramsFolder(int which, char folder[PROCEDURE_PATH_SIZE]);
// Turns a programs folder into the application's Start-menu folder below it;
// 0, or -1 when it does not fit.
int composeMenuFolder(char folder[PROCEDURE_PATH_SIZE]);
// context.installFolder = Program Files + installSubfolder; 0, or -1 when no
// base folder is known or the result does not fit.
int locateInstallFolder(InstallerContext& context);
// The uninstall entry's value written last: an entry without it is incomplete.
#define ENTRY_COMPLETION_VALUE "NoRepair"
// Judged in the install folder that `context` holds:
//   productInstalled  the application file is there (also while another program holds it)
//                     and the uninstall entry is complete; only then does -i uninstall
//   productTraces     the install folder or any of the uninstall entry is there
int productInstalled(const InstallerContext& context);
int productTraces(const InstallerContext& context);
// install folder + "\" + name; 0, or -1 when it does not fit.
int composeInstalledPath(char path[PROCEDURE_PATH_SIZE], const InstallerContext& context, const char* name);
