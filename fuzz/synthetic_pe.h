// A minimal synthetic PE32 image carrying one resource, for the PE resource
// reader's tests and the fuzzer's seeds. The image holds one ".rsrc" section
// whose directory holds types 3 and 10, type 10 holding `id` in language
// 1033, pointing at `data`. Its frame is one Windows would load: i386, the
// headers and the section within SizeOfImage, the entry point inside it.
#pragma once
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "package/package_format.h"

struct SyntheticPe {
    static constexpr uint32_t RAW = 0x200, RVA = 0x1000, DATA_ENTRY = 0x60, DATA = 0x70;
    static constexpr uint32_t OPTIONAL = 0x58, ALIGNMENT = 0x1000;
    std::vector<uint8_t> image;

    explicit SyntheticPe(const std::vector<uint8_t>& data, uint32_t id = 100) {
        image.assign(RAW + DATA + data.size(), 0);
        image[0] = 'M';
        image[1] = 'Z';
        put32(0x3C, 0x40);
        memcpy(&image[0x40], "PE\0\0", 4);
        const uint32_t coff = 0x44, optional = OPTIONAL, sections = optional + 224;
        const uint32_t sectionSize = DATA + static_cast<uint32_t>(data.size());
        put16(coff, 0x14C);
        put16(coff + 2, 1);
        put16(coff + 16, 224);
        put16(optional, 0x10B);
        put32(optional + 16, RVA);  // entry point
        put32(optional + 32, ALIGNMENT);
        put32(optional + 36, RAW);  // file alignment
        put32(optional + 56, RVA + (sectionSize + ALIGNMENT - 1) / ALIGNMENT * ALIGNMENT);
        put32(optional + 60, RAW);  // size of headers
        put32(optional + 92, 16);
        put32(optional + 96 + 2 * 8, RVA);
        put32(optional + 96 + 2 * 8 + 4, sectionSize);
        memcpy(&image[sections], ".rsrc", 5);
        put32(sections + 8, sectionSize);
        put32(sections + 12, RVA);
        put32(sections + 16, sectionSize);
        put32(sections + 20, RAW);
        // Root: two types. Type 10: one id. Id: one language, a leaf.
        directory(0x00, {{3, 0x80000000u | 0x20}, {10, 0x80000000u | 0x20}});
        directory(0x20, {{id, 0x80000000u | 0x38}});
        directory(0x38, {{1033, DATA_ENTRY}});
        put32(RAW + DATA_ENTRY, RVA + DATA);
        put32(RAW + DATA_ENTRY + 4, static_cast<uint32_t>(data.size()));
        memcpy(&image[RAW + DATA], data.data(), data.size());
    }
    void put16(uint32_t at, uint32_t v) {
        image[at] = static_cast<uint8_t>(v);
        image[at + 1] = static_cast<uint8_t>(v >> 8);
    }
    void put32(uint32_t at, uint32_t v) { writeLittleEndian32(&image[at], v); }
    void directory(uint32_t at, std::vector<std::pair<uint32_t, uint32_t>> entries) {
        put16(RAW + at + 14, static_cast<uint32_t>(entries.size()));
        for (size_t i = 0; i < entries.size(); ++i) {
            put32(RAW + at + 16 + static_cast<uint32_t>(i) * 8, entries[i].first);
            put32(RAW + at + 20 + static_cast<uint32_t>(i) * 8, entries[i].second);
        }
    }
};
