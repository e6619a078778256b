// Ground floor: fixed names and texts of the product and its installer.
#pragma once

#include "core/version.h"

#define PRODUCT_NAME "Sonograf"
#define PRODUCT_PUBLISHER "Orvane Software"
#define PRODUCT_DISPLAY_NAME "Sonograf, The Spectrum Analyzer"
#define INSTALLER_MUTEX_NAME "Orvane Sonograf-Installation- Mutex-{3C77C191-1FE5-4e3c-A264-06A266759535}"
#define MAIN_WINDOW_CLASS "OVSonograf0Installer0MainWindow0"
#define MAIN_WINDOW_TITLE "Orvane " PRODUCT_NAME " Installation (Version " PRODUCT_VERSION ")"
#define STARTUP_ERROR_CAPTION "Startup Error"
#define INSTALL_ERROR_CAPTION PRODUCT_NAME " Installation Error"
#define UNINSTALL_ERROR_CAPTION PRODUCT_NAME " Uninstallation Error"
// The product's web address, named in the procedures' error messages.
#define PRODUCT_WEB_ADDRESS "https://www.sonograf.example"
// The key of the plain keystream that scrambles the two stored web links, and
// the longest stored link, terminator included.
#define LINK_KEY 0x19E3A75Du
#define LINK_MAX_SIZE 512u
