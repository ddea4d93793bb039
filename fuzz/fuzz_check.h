// What the fuzz targets share: a broken property is a finding like a crash
// (its message names it, and abort() makes libFuzzer keep the input), and
// inputs are handed to the rules in blocks of exactly their size, so that
// AddressSanitizer sees any read past the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

[[noreturn]] inline void brokenProperty(const char* property, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: property broken: %s\n", file, line, property);
    std::abort();
}

#define FUZZ_REQUIRE(condition) ((condition) ? static_cast<void>(0) : brokenProperty(#condition, __FILE__, __LINE__))

// The input up to its first NUL byte, as a NUL-terminated text in a block of
// exactly that length plus the terminator: the rules read such texts, and a
// read past the terminator is then out of bounds.
class ExactText {
public:
    ExactText(const std::uint8_t* data, std::size_t size) {
        const void* nul = std::memchr(data, 0, size);
        length_ = nul != nullptr ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - data) : size;
        bytes_ = std::make_unique<char[]>(length_ + 1);
        std::memcpy(bytes_.get(), data, length_);
        bytes_[length_] = '\0';
    }

    explicit ExactText(const std::string& text)
        : ExactText(reinterpret_cast<const std::uint8_t*>(text.c_str()), text.size()) {}

    const char* c_str() const { return bytes_.get(); }
    std::size_t size() const { return length_; }
    std::string str() const { return std::string(bytes_.get(), length_); }

private:
    std::unique_ptr<char[]> bytes_;
    std::size_t length_ = 0;
};
