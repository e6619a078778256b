#include "app/context.h"

#include "package/bytes.h"
#include "platform/os_version.h"

InstallerContext installer;

int initContext(InstallerContext& context, HINSTANCE instance) {
    zeroBytes(&context, sizeof context);
    context.instance = instance;
    context.isWow64 = detectWow64();
    return 0;
}
