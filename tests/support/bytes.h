// Test data and whole files, for native and Windows tests alike.
//   patterned(5000, 7)        bytes that change at every position and with the seed
//   readFile(path)            the whole file, empty when it cannot be read; readFile<std::string>(path)
//   writeFile(path, bytes)    replaces the file with `bytes`; true when all were written
#pragma once
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

inline std::vector<uint8_t> patterned(size_t length, uint32_t seed = 1) {
    std::vector<uint8_t> data(length);
    for (size_t i = 0; i < length; ++i) {
        seed = seed * 1664525u + 1013904223u;
        data[i] = static_cast<uint8_t>(seed >> 24);
    }
    return data;
}

template <typename Bytes = std::vector<uint8_t>>
Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

template <typename Bytes>
bool writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return out.good();
}
inline bool writeFile(const std::string& path, const char* text) { return writeFile(path, std::string(text)); }
