// The size and free-space texts over any figures and any folder text: every
// number shown is plain decimal digits that parse back to its value, the
// free kilobytes are the exact free bytes in whole kilobytes (the largest
// 64-bit figure when they are more), and the display text is its two lines
// in their fixed form around those numbers and the drive root. The folder
// text is UTF-16, two input bytes to a unit.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "dialog/display_rules.h"
#include "fuzz/fuzz_check.h"

namespace {

// 容量 and 空き容量 as UTF-16, written out here.
const std::wstring sizeLabel = L"\u5BB9\u91CF";
const std::wstring freeLabel = L"\u7A7A\u304D\u5BB9\u91CF";

// UTF-16 units up to the first zero unit, as a zero-terminated text in a
// block of exactly that length plus the terminator: driveRootOf reads such a
// text, and a read past the terminator is then out of bounds.
class ExactWideText {
public:
    ExactWideText(const std::uint8_t* data, std::size_t size) {
        std::vector<wchar_t> units;
        for (std::size_t at = 0; at + 1 < size; at += 2) {
            const auto unit = static_cast<wchar_t>(data[at] << 8 | data[at + 1]);
            if (unit == L'\0') {
                break;
            }
            units.push_back(unit);
        }
        length_ = units.size();
        units_ = std::make_unique<wchar_t[]>(length_ + 1);
        std::copy(units.begin(), units.end(), units_.get());
        units_[length_] = L'\0';
    }

    const wchar_t* c_str() const { return units_.get(); }
    std::wstring str() const { return std::wstring(units_.get(), length_); }

private:
    std::unique_ptr<wchar_t[]> units_;
    std::size_t length_ = 0;
};

class Figures {
public:
    Figures(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    // The next bytes of the input as a number; zeros once it runs out.
    template <typename Number>
    Number take() {
        Number value = 0;
        for (std::size_t k = 0; k < sizeof(Number); ++k) {
            value = static_cast<Number>((value << 8) | (used_ < size_ ? data_[used_++] : 0));
        }
        return value;
    }

    ExactWideText rest() const { return ExactWideText(data_ + used_, size_ - used_); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t used_ = 0;
};

// Reads the decimal number at `at` (at least one digit, no leading zero
// unless it is 0, no more than 64 bits) and steps past it.
template <typename Text>
std::uint64_t takeDecimal(const Text& text, std::size_t& at) {
    const std::size_t start = at;
    std::uint64_t value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        const std::uint64_t digit = static_cast<std::uint64_t>(text[at] - '0');
        FUZZ_REQUIRE(value <= (std::numeric_limits<std::uint64_t>::max() - digit) / 10);
        value = value * 10 + digit;
        ++at;
    }
    FUZZ_REQUIRE(at > start);
    FUZZ_REQUIRE(text[start] != '0' || at == start + 1);
    return value;
}

void requireText(const std::wstring& text, std::size_t& at, const std::wstring& expected) {
    FUZZ_REQUIRE(text.compare(at, expected.size(), expected) == 0);
    at += expected.size();
}

void checkDecimal(std::uint64_t value) {
    const std::string text = decimalText(value);
    std::size_t at = 0;
    FUZZ_REQUIRE(takeDecimal(text, at) == value);
    FUZZ_REQUIRE(at == text.size());
}

void checkDisplay(std::uint64_t requiredKb, const std::wstring& root, std::uint64_t freeKb) {
    const std::wstring text = spaceDisplayText(requiredKb, root, freeKb);
    std::size_t at = 0;
    requireText(text, at, sizeLabel + L"\t\t");
    FUZZ_REQUIRE(takeDecimal(text, at) == requiredKb);
    requireText(text, at, L"KB\n");
    if (freeKb == 0) {
        requireText(text, at, L" " + freeLabel + L"\tKB");
    } else {
        requireText(text, at, root + freeLabel + L"\t");
        FUZZ_REQUIRE(takeDecimal(text, at) == freeKb);
        requireText(text, at, L"KB");
    }
    FUZZ_REQUIRE(at == text.size());
}

void checkFreeKilobytes(const DiskFreeSpace& space) {
    const unsigned __int128 freeBytes = static_cast<unsigned __int128>(space.bytesPerSector) * space.sectorsPerCluster *
                                        space.freeClusters;
    const unsigned __int128 exactKb = freeBytes >> 10;
    const std::uint64_t largest = std::numeric_limits<std::uint64_t>::max();
    const std::uint64_t expected = exactKb > largest ? largest : static_cast<std::uint64_t>(exactKb);
    FUZZ_REQUIRE(freeKilobytes(space) == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Figures figures(data, size);
    const auto requiredKb = figures.take<std::uint64_t>();
    const auto freeKb = figures.take<std::uint64_t>();
    DiskFreeSpace space;
    space.sectorsPerCluster = figures.take<std::uint32_t>();
    space.bytesPerSector = figures.take<std::uint32_t>();
    space.freeClusters = figures.take<std::uint32_t>();
    const ExactWideText folderText = figures.rest();

    checkDecimal(requiredKb);
    checkDecimal(freeKb);
    checkFreeKilobytes(space);

    const std::wstring root = driveRootOf(folderText.c_str());
    FUZZ_REQUIRE(root == folderText.str().substr(0, 3));

    checkDisplay(requiredKb, root, freeKb);
    checkDisplay(wholeKilobytes(requiredKb), root, freeKilobytes(space));
    return 0;
}
