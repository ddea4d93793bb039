// Whether a program carries a signature, from its PE headers: both formats,
// and headers that end early or name bytes past the file.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>

#include "checker/pe_signature.h"
#include "tests/support/case_name.h"

namespace {

void putNumber(std::string& bytes, std::size_t offset, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes[offset + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i) & 0xFF);
    }
}

// A program's headers as a linker writes them (PE header at 0x80), 1024
// bytes long, with the certificate table at `offset`, `size` bytes.
std::string programWith(bool plus, std::uint32_t offset, std::uint32_t size) {
    std::string bytes(1024, '\0');
    bytes[0] = 'M';
    bytes[1] = 'Z';
    putNumber(bytes, 0x3C, 0x80, 4);
    putNumber(bytes, 0x80, 0x4550, 4);
    putNumber(bytes, 0x80 + 24, plus ? 0x20B : 0x10B, 2);
    const std::size_t directories = 0x80 + 24 + (plus ? 112 : 96);
    putNumber(bytes, directories - 4, 16, 4);
    putNumber(bytes, directories + 32, offset, 4);
    putNumber(bytes, directories + 36, size, 4);
    return bytes;
}

struct SignatureCase {
    const char* name;
    std::string bytes;
    bool signedProgram;
};

void PrintTo(const SignatureCase& row, std::ostream* out) { *out << row.name; }

class Signature : public testing::TestWithParam<SignatureCase> {};

TEST_P(Signature, IsSeenInTheCertificateTable) {
    EXPECT_EQ(carriesSignature(GetParam().bytes), GetParam().signedProgram);
}

INSTANTIATE_TEST_SUITE_P(
    PeSignature, Signature,
    testing::Values(SignatureCase{"Unsigned32", programWith(false, 0, 0), false},
                    SignatureCase{"Signed32", programWith(false, 512, 512), true},
                    SignatureCase{"Unsigned64", programWith(true, 0, 0), false},
                    SignatureCase{"Signed64", programWith(true, 512, 100), true},
                    SignatureCase{"TablePastTheEnd", programWith(true, 512, 513), false},
                    SignatureCase{"NoDirectoryForIt", [] {
                                      std::string bytes = programWith(false, 512, 512);
                                      putNumber(bytes, 0x80 + 24 + 96 - 4, 4, 4);
                                      return bytes;
                                  }(), false},
                    SignatureCase{"CutInItsHeaders", programWith(false, 512, 512).substr(0, 0x80 + 24 + 96 + 36), false},
                    SignatureCase{"NotAProgram", std::string("MZ"), false},
                    SignatureCase{"Empty", std::string(), false}),
    caseName<SignatureCase>);

}  // namespace
