// Maps Windows version numbers to the installer's OS version code:
// 0 before XP, 1 XP, 2 Server 2003, 3 Vista, 4 Windows 7, 5 Windows 8,
// 6 Windows 8.1, 7 Windows 10/11, 8 any later major version, -1 unknown.
#pragma once
#include <cstdint>

enum { VER_NT_WORKSTATION_TYPE = 1 };

int32_t mapOsVersion(uint32_t major, uint32_t minor, uint32_t productType);
