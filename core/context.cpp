#include "core/context.h"

InstallerContext installer;
