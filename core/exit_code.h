// Ground floor: every result the installer can return, the process exit code
// included, one name per cause. Causes may share a value: callers and
// deployment tools rely on the values, so they never change.
#pragma once

enum ExitCode {
    INSTALLER_OK = 0,  // success, or an interactive run that ended
    // Start-up and the window.
    ANOTHER_INSTANCE_RUNNING = -1,  // the single-instance mutex is held by another installer
    MUTEX_NOT_CREATED = -1,         // the single-instance mutex could not be created
    WINDOW_NOT_CREATED = -1,        // the window class or the main window could not be made
    MESSAGE_LOOP_BROKEN = -1,       // the message queue could not be read
    WORKER_NOT_STARTED = -1,        // the install worker thread could not be started
    NOTHING_TO_DO = 2,              // hidden (-h) without -i or -u: the run ends at once, changing nothing
    // The install and uninstall procedures.
    PACKAGE_UNREADABLE = -1,          // the package resource is missing or too small for its header
    NO_INSTALL_FOLDER = -2,           // no Program Files folder, or the install folder does not fit
    INSTALL_FOLDER_NOT_CREATED = -3,  // the install folder could not be created
    COPY_FAILED = -10,                // a packaged file or the uninstaller copy could not be written whole
    APPLICATION_STAYS = -20,          // the application file could not be removed: it still runs or is held
    PRODUCT_FILE_STAYS = -21,         // another file of the product's own could not be removed
};
