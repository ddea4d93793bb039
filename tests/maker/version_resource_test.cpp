// The version resource's bytes laid out as Windows reads them, and the rules
// of its numbers, texts and the program's name.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "maker/version_resource.h"
#include "tests/support/case_name.h"

namespace {

std::uint16_t word(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes.at(at) | (bytes.at(at + 1) << 8));
}

std::uint32_t dword(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return word(bytes, at) | (static_cast<std::uint32_t>(word(bytes, at + 2)) << 16);
}

std::wstring keyAt(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    std::wstring key;
    for (std::size_t i = at + 6; word(bytes, i) != 0; i += 2) {
        key += static_cast<wchar_t>(word(bytes, i));
    }
    return key;
}

std::size_t aligned(std::size_t at) { return (at + 3) & ~std::size_t{3}; }

// Where a node's value starts: after its header and key, on a 32-bit boundary.
std::size_t valueAt(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return aligned(at + 6 + (keyAt(bytes, at).size() + 1) * 2);
}

struct Node {
    std::size_t at;
    std::uint16_t length;
    std::uint16_t valueLength;
    std::uint16_t type;
    std::wstring key;
};

// The children of the node at `at`, whose value takes `valueBytes` bytes.
std::vector<Node> childrenOf(const std::vector<std::uint8_t>& bytes, std::size_t at, std::size_t valueBytes) {
    std::vector<Node> children;
    const std::size_t end = at + word(bytes, at);
    for (std::size_t child = aligned(valueAt(bytes, at) + valueBytes); child < end;
         child = aligned(child + word(bytes, child))) {
        children.push_back({child, word(bytes, child), word(bytes, child + 2), word(bytes, child + 4),
                            keyAt(bytes, child)});
    }
    return children;
}

TEST(VersionResource, IsTheTreeWindowsReads) {
    VersionFields fields;
    fields.fileVersion = {1, 2, 3, 65535};
    fields.productVersion = {7, 0, 0, 1};
    fields.companyName = L"ハーバーライト";
    fields.fileDescription = L"Harborlight 1.1 修正ファイル更新プログラム";
    fields.fileVersionText = L"1.2.3.65535";
    fields.internalName = L"update";
    fields.legalCopyright = L"Copyright (C) 2025 ハーバーライト";
    fields.originalFilename = L"update.exe";
    fields.productName = L"Harborlight";
    fields.productVersionText = L"7.0.0.1";
    const std::vector<std::uint8_t> bytes = versionResourceBytes(fields);

    ASSERT_EQ(word(bytes, 0), bytes.size());
    EXPECT_EQ(keyAt(bytes, 0), L"VS_VERSION_INFO");
    EXPECT_EQ(word(bytes, 2), 52);  // the fixed part
    EXPECT_EQ(word(bytes, 4), 0);
    const std::size_t fixed = valueAt(bytes, 0);
    EXPECT_EQ(fixed % 4, 0u);
    EXPECT_EQ(dword(bytes, fixed), 0xFEEF04BDu);
    EXPECT_EQ(dword(bytes, fixed + 4), 0x00010000u);
    EXPECT_EQ(dword(bytes, fixed + 8), 0x00010002u);
    EXPECT_EQ(dword(bytes, fixed + 12), 0x0003FFFFu);
    EXPECT_EQ(dword(bytes, fixed + 16), 0x00070000u);
    EXPECT_EQ(dword(bytes, fixed + 20), 0x00000001u);
    EXPECT_EQ(dword(bytes, fixed + 24), 0x3Fu);
    EXPECT_EQ(dword(bytes, fixed + 32), 0x00040004u);
    EXPECT_EQ(dword(bytes, fixed + 36), 1u);

    const std::vector<Node> blocks = childrenOf(bytes, 0, 52);
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0].key, L"StringFileInfo");
    EXPECT_EQ(blocks[0].type, 1);
    EXPECT_EQ(blocks[1].key, L"VarFileInfo");
    EXPECT_EQ(blocks[1].at + blocks[1].length, bytes.size());

    const std::vector<Node> tables = childrenOf(bytes, blocks[0].at, 0);
    ASSERT_EQ(tables.size(), 1u);
    EXPECT_EQ(tables[0].key, L"041104B0");
    const std::vector<Node> strings = childrenOf(bytes, tables[0].at, 0);
    const std::pair<std::wstring, std::wstring> expected[] = {
        {L"CompanyName", fields.companyName},         {L"FileDescription", fields.fileDescription},
        {L"FileVersion", fields.fileVersionText},     {L"InternalName", fields.internalName},
        {L"LegalCopyright", fields.legalCopyright},   {L"OriginalFilename", fields.originalFilename},
        {L"ProductName", fields.productName},         {L"ProductVersion", fields.productVersionText},
    };
    ASSERT_EQ(strings.size(), std::size(expected));
    for (std::size_t i = 0; i < strings.size(); ++i) {
        EXPECT_EQ(strings[i].key, expected[i].first);
        EXPECT_EQ(strings[i].type, 1);
        // Counted in characters, with the terminator.
        EXPECT_EQ(strings[i].valueLength, expected[i].second.size() + 1);
        std::wstring text;
        for (std::size_t k = 0; k < expected[i].second.size(); ++k) {
            text += static_cast<wchar_t>(word(bytes, valueAt(bytes, strings[i].at) + 2 * k));
        }
        EXPECT_EQ(text, expected[i].second) << i;
        EXPECT_EQ(word(bytes, valueAt(bytes, strings[i].at) + 2 * expected[i].second.size()), 0);
    }

    const std::vector<Node> variables = childrenOf(bytes, blocks[1].at, 0);
    ASSERT_EQ(variables.size(), 1u);
    EXPECT_EQ(variables[0].key, L"Translation");
    EXPECT_EQ(variables[0].type, 0);
    EXPECT_EQ(variables[0].valueLength, 4);
    EXPECT_EQ(dword(bytes, valueAt(bytes, variables[0].at)), 0x04B00411u);
}

struct NumbersCase {
    const char* name;
    std::wstring text;
    bool valid;
    VersionNumbers numbers;
};

void PrintTo(const NumbersCase& row, std::ostream* out) { *out << row.name; }

class Numbers : public testing::TestWithParam<NumbersCase> {};

TEST_P(Numbers, AreOneToFourFrom0To65535) {
    VersionNumbers numbers{9, 9, 9, 9};
    EXPECT_EQ(versionNumbersFrom(GetParam().text, numbers), GetParam().valid);
    if (GetParam().valid) {
        EXPECT_EQ(numbers, GetParam().numbers);
    }
}

INSTANTIATE_TEST_SUITE_P(VersionResource, Numbers,
                         testing::Values(NumbersCase{"One", L"1", true, {1, 0, 0, 0}},
                                         NumbersCase{"Two", L"1.2", true, {1, 2, 0, 0}},
                                         NumbersCase{"Four", L"1.1.0.0", true, {1, 1, 0, 0}},
                                         NumbersCase{"LargestAndLeadingZeros", L"65535.007.0.0", true, {65535, 7, 0, 0}},
                                         NumbersCase{"Five", L"1.2.3.4.5", false, {}},
                                         NumbersCase{"TooLarge", L"1.65536", false, {}},
                                         NumbersCase{"FarTooLarge", L"99999999999999999999", false, {}},
                                         NumbersCase{"Empty", L"", false, {}},
                                         NumbersCase{"TrailingStop", L"1.2.", false, {}},
                                         NumbersCase{"EmptyPart", L"1..2", false, {}},
                                         NumbersCase{"Sign", L"-1", false, {}},
                                         NumbersCase{"Letter", L"1.0a", false, {}},
                                         NumbersCase{"Space", L"1. 0", false, {}},
                                         NumbersCase{"FullWidthDigit", L"１.0", false, {}}),
                         caseName<NumbersCase>);

TEST(VersionResource, PropertyTextsHoldNoControlCharacter) {
    EXPECT_TRUE(isPropertyText(L"Copyright (C) 2025 ハーバーライト"));
    EXPECT_TRUE(isPropertyText(L""));
    EXPECT_FALSE(isPropertyText(L"two\r\nlines"));
    EXPECT_FALSE(isPropertyText(L"tab\there"));
    EXPECT_FALSE(isPropertyText(std::wstring(L"a\x1F")));
}

struct NameCase {
    const char* name;
    std::wstring given;
    const wchar_t* programName;  // nullptr: refused
};

void PrintTo(const NameCase& row, std::ostream* out) { *out << row.name; }

class ProgramName : public testing::TestWithParam<NameCase> {};

TEST_P(ProgramName, IsAPlainFileName) {
    std::wstring name = L"unchanged";
    const bool valid = programNameFrom(GetParam().given, name);
    EXPECT_EQ(valid, GetParam().programName != nullptr);
    EXPECT_EQ(name, valid ? GetParam().programName : L"unchanged");
}

INSTANTIATE_TEST_SUITE_P(VersionResource, ProgramName,
                         testing::Values(NameCase{"Plain", L"update", L"update"},
                                         NameCase{"ExeDropped", L"update.exe", L"update"},
                                         NameCase{"ExeInCapitalsDropped", L"Update.EXE", L"Update"},
                                         NameCase{"InnerStopKept", L"update.v2", L"update.v2"},
                                         NameCase{"Japanese", L"修正パッチ", L"修正パッチ"},
                                         NameCase{"OnlyExe", L".exe", nullptr},
                                         NameCase{"Empty", L"", nullptr},
                                         NameCase{"Folder", L"bin\\update", nullptr},
                                         NameCase{"Slash", L"bin/update", nullptr},
                                         NameCase{"Colon", L"c:update", nullptr},
                                         NameCase{"Star", L"up*", nullptr},
                                         NameCase{"Question", L"up?", nullptr},
                                         NameCase{"Quote", L"up\"", nullptr},
                                         NameCase{"Angles", L"<up>", nullptr},
                                         NameCase{"Bar", L"up|date", nullptr},
                                         NameCase{"ControlCharacter", L"up\tdate", nullptr},
                                         NameCase{"LeadingStop", L".update", nullptr},
                                         NameCase{"LeadingSpace", L" update", nullptr},
                                         NameCase{"TrailingStop", L"update.", nullptr},
                                         NameCase{"TrailingSpace", L"update ", nullptr},
                                         NameCase{"TrailingSpaceBeforeExe", L"update .exe", nullptr}),
                         caseName<NameCase>);

}  // namespace
