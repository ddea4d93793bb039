// What a settings text's bytes are: code page 932, which the program reads,
// or one of the encodings a publisher's editor saves by mistake. The checker
// names the mistake; the release maker and the settings conversion take
// UTF-8 and code page 932 apart with the same rule.
#pragma once

#include <cstddef>
#include <string>

// What a settings text's bytes are.
enum class TextEncoding {
    codePage932,       // what the program reads
    utf8WithoutBom,    // no key matches: the Japanese keys are other bytes
    utf8WithBom,       // as above, and the mark spoils the first line
    bomOnCodePage932,  // code page 932 text behind a UTF-8 mark: the first line is spoiled
    utf16,             // two bytes a character: nothing matches
    notCodePage932,    // bytes that no code page 932 text holds
};

struct EncodingCheck {
    TextEncoding encoding = TextEncoding::codePage932;
    int line = 0;  // where it shows: 1 for a mark or UTF-16, else the first offending byte's line
};

EncodingCheck checkEncoding(const std::string& bytes);

// Line number (from 1) of the byte at `offset`, with the program's line
// breaks: CR, LF, or CR LF as one break.
int lineOfOffset(const std::string& bytes, std::size_t offset);

// The UTF-16 text of UTF-8 bytes (without a mark). False when the bytes are
// no UTF-8.
bool wideFromUtf8(const std::string& bytes, std::wstring& wide);

// Offset of the first byte that is no part of a UTF-8 character, or npos.
std::size_t firstNonUtf8Offset(const std::string& bytes);
