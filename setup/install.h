// The install procedure, run on the install worker thread (app/worker.h).
//   runInstall(ctx)  header, install folder, extraction, shortcuts, uninstaller copy,
//                    uninstall entry; INSTALLER_OK, PACKAGE_UNREADABLE, NO_INSTALL_FOLDER,
//                    INSTALL_FOLDER_NOT_CREATED or COPY_FAILED (core/exit_code.h), with
//                    errorCaption and errorText filled on failure. It writes statusText
//                    as it goes and posts nothing.
#pragma once
#include "core/context.h"
#include "core/exit_code.h"

ExitCode runInstall(InstallerContext& context);
