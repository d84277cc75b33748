#pragma once
// Seeded random input for the readers of data the programs did not write themselves: the same
// cases on every run from a fixed seed, and what a case was fed shown readably in a failure.

#include <cstdint>
#include <random>
#include <string>

// The seed the input tests start from (each test adds its own number).
const uint32_t kFuzzSeed = 20261208;

class CRandom {
public:
    explicit CRandom(uint32_t seed) : engine_(seed) {}
    // 0 .. n-1
    size_t Below(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(engine_); }
    bool OneIn(size_t n) { return Below(n) == 0; }
    char Byte() { return static_cast<char>(Below(256)); }
    char NonZeroByte() { return static_cast<char>(1 + Below(255)); }
    std::string Bytes(size_t length)
    {
        std::string text(length, '\0');
        for (char& c : text)
            c = Byte();
        return text;
    }
    // Characters drawn from the given set.
    std::string From(const std::string& set, size_t length)
    {
        std::string text(length, '\0');
        for (char& c : text)
            c = set[Below(set.size())];
        return text;
    }

private:
    std::mt19937 engine_;
};

// The first 120 bytes, escaped where not printable, and the length.
std::string Printable(const std::string& bytes);
