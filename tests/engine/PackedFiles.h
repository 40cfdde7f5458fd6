// Test inputs for compressed logs: random logs, and gzip and zip files made
// with zlib's own deflate, their zip headers written here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Lines of random length and letters, with every kind of line end.
std::string RandomLog(uint32_t seed, size_t size);
// zlib's deflate: windowBits 31 writes a gzip member, -15 raw deflate.
std::string Deflate(const std::string& data, int windowBits);
inline std::string Gzip(const std::string& data) { return Deflate(data, 31); }

struct ZipEntry {
    std::string name;
    std::string data;
    uint16_t method = 8;   // 0 stored, 8 deflated, others unsupported
    uint16_t flags = 0;    // 1: encrypted
};
// An archive as zip writers lay it out; `zip64` writes every size and
// offset in zip64's extra field and its end records.
std::string Zip(const std::vector<ZipEntry>& entries, bool zip64);
