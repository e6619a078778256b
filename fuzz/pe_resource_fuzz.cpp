// libFuzzer target: the input is an executable file as the package tool reads
// it. It judges its frame, looks up the package (RCDATA 100) and an icon
// (type 3, id 1) and aborts when an invariant breaks:
//   - each result is 0 or one of the PE_* failures its reader gives;
//   - a resource found lies inside the input, first and last byte readable.
#include <cstdint>
#include <cstdlib>

#include "tools/pe_resource.h"

namespace {

void check(bool condition) {
    if (!condition) abort();
}

volatile uint8_t sink;

void lookUp(const uint8_t* data, size_t size, uint32_t type, uint32_t id) {
    size_t offset = 0, length = 0;
    const int result = findPeResource(data, size, type, id, &offset, &length);
    check(result == 0 || result == PE_NOT_IMAGE || result == PE_NO_RESOURCE || result == PE_MALFORMED);
    if (result != 0) return;
    check(offset <= size && length <= size - offset);
    if (length > 0) sink = static_cast<uint8_t>(data[offset] ^ data[offset + length - 1]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int frame = checkPeFrame(data, size);
    check(frame <= 0 && frame >= PE_IMPORTS_OUTSIDE && frame != PE_NO_RESOURCE && frame != PE_NO_SIGNATURE);
    lookUp(data, size, PE_RT_RCDATA, 100);
    lookUp(data, size, 3, 1);
    return 0;
}
