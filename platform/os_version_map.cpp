#include "platform/os_version_map.h"

int32_t mapOsVersion(uint32_t major, uint32_t minor, uint32_t productType) {
    if (major <= 5) {
        if (minor == 0) return 0;
        return minor == 2 ? 2 : 1;
    }
    if (major == 6) {
        switch (minor) {
            case 0: return 3;
            case 1: return productType == VER_NT_WORKSTATION_TYPE ? 4 : 3;
            case 2: return 5;
            case 3: return 6;
            default: return -1;
        }
    }
    if (major == 10) return 7;
    if (major > 10) return 8;
    return -1;
}
