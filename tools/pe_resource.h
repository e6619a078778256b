// Finds a resource, and the Authenticode signature, in a Windows PE image held
// in memory (an installer .exe read as a file), without loading it. The image is untrusted: every header,
// directory and data entry is bounds-checked against the image size.
//   findPeResource(image, size, type, id, &offset, &length)
// looks up the resource of integer type and integer id (first language
// entry) and gives the file offset and length of its bytes.
// Result: 0 found; PE_NOT_IMAGE not a PE image; PE_NO_RESOURCE no such
// resource; PE_MALFORMED a header, directory or entry points outside the image.
//   findPeSignature(image, size, &signature)
// gives the place of the certificate table that signing appends, with the
// checksum stored in the headers and the one the file's bytes add up to (a
// signed file carries a checksum; a change after signing breaks it).
// Result: 0 found; PE_NOT_IMAGE; PE_NO_SIGNATURE unsigned; PE_MALFORMED.
//   checkPeFrame(image, size)
// says whether Windows would map and start the image, judging what its
// loader refuses: a file that does not hold the headers and every section's
// raw data (a download cut short, also where the resource still lies within
// it: PE_CUT_SHORT); a machine other than i386 with PE32 or x86-64 with PE32+
// (PE_WRONG_MACHINE); a section alignment that is not a power of two
// (PE_BAD_ALIGNMENT); a SizeOfImage short of the headers or of a section's
// virtual end rounded up to that alignment (PE_IMAGE_TOO_SMALL); an entry
// point (PE_ENTRY_OUTSIDE) or import directory (PE_IMPORTS_OUTSIDE) outside
// the image. Result: 0, one of these, PE_NOT_IMAGE or PE_MALFORMED.
#pragma once
#include <cstddef>
#include <cstdint>

const int PE_NOT_IMAGE = -1;
const int PE_NO_RESOURCE = -2;
const int PE_MALFORMED = -3;
const int PE_NO_SIGNATURE = -4;
const int PE_CUT_SHORT = -5;
const int PE_WRONG_MACHINE = -6;
const int PE_BAD_ALIGNMENT = -7;
const int PE_IMAGE_TOO_SMALL = -8;
const int PE_ENTRY_OUTSIDE = -9;
const int PE_IMPORTS_OUTSIDE = -10;

const uint32_t PE_RT_RCDATA = 10;

int findPeResource(const uint8_t* image, size_t imageSize, uint32_t type, uint32_t id, size_t* offset,
                   size_t* length);

struct PeSignature {
    size_t offset;
    size_t length;
    uint32_t storedChecksum;
    uint32_t fileChecksum;
};

int findPeSignature(const uint8_t* image, size_t imageSize, PeSignature* signature);

int checkPeFrame(const uint8_t* image, size_t imageSize);
