// The installer is compiled as one unit with -fwhole-program (see
// app/CMakeLists.txt): every function is then local to the program, so the
// compiler passes arguments in registers and drops or inlines freely. What
// code outside that unit calls stays visible: the process entry and the
// package functions the separately compiled fused entry pass uses.
#pragma once
#include <cstdint>

#include "package/keystream.h"
#include "package/md5.h"

#define WHOLE_PROGRAM_EXPORT __attribute__((externally_visible))

extern "C" WHOLE_PROGRAM_EXPORT void WinMainCRTStartup();
WHOLE_PROGRAM_EXPORT void md5Start(Md5State* md5);
WHOLE_PROGRAM_EXPORT void md5Blocks(Md5State* md5, const uint8_t* data, uint32_t blocks);
WHOLE_PROGRAM_EXPORT void md5Finish(Md5State* md5, const uint8_t* rest, uint32_t length,
                                    uint8_t digest[MD5_DIGEST_SIZE]);
WHOLE_PROGRAM_EXPORT void continueTableStream(uint8_t* destination, const uint8_t* source, uint32_t count,
                                              uint32_t* key, uint32_t counter,
                                              const uint8_t table[STREAM_TABLE_SIZE]);
