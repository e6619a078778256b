// Ground floor: the installer's resource ids, named once for the resource
// script (resources/installer.rc) and the code. Plain #defines only, so the
// resource compiler reads it too.
#pragma once

#define ICON_RESOURCE_ID 100
#define BACKGROUND_RESOURCE_ID 101
#define PACKAGE_RESOURCE_ID 100
