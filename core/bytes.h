// Ground floor: byte-range operations shared by every subsystem.
// copyBytes copies front to back; same address or count 0 does nothing.
// equalBytes returns 1 when the ranges match (also for the same address or
// count 0), 0 at the first difference. zeroBytes clears count bytes.
#pragma once
#include <cstdint>

void copyBytes(void* destination, const void* source, uint32_t count);
int equalBytes(const void* first, const void* second, uint32_t count);
void zeroBytes(void* destination, uint32_t count);
