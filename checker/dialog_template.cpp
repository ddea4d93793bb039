#include "checker/dialog_template.h"

namespace {

constexpr std::uint32_t setFontStyle = 0x40;      // DS_SETFONT
constexpr std::uint32_t shellFontStyle = 0x48;    // DS_SHELLFONT: DS_SETFONT | DS_FIXEDSYS

// A little-endian walk over the template's bytes that stops at its end.
class TemplateReader {
public:
    TemplateReader(const unsigned char* bytes, std::size_t size) : bytes_(bytes), size_(size) {}

    bool word(std::uint16_t& value) {
        if (size_ - at_ < 2) {
            return false;
        }
        value = static_cast<std::uint16_t>(bytes_[at_] | bytes_[at_ + 1] << 8);
        at_ += 2;
        return true;
    }
    bool doubleWord(std::uint32_t& value) {
        std::uint16_t low = 0;
        std::uint16_t high = 0;
        if (!word(low) || !word(high)) {
            return false;
        }
        value = static_cast<std::uint32_t>(low) | static_cast<std::uint32_t>(high) << 16;
        return true;
    }
    bool skip(std::size_t count) {
        if (size_ - at_ < count) {
            return false;
        }
        at_ += count;
        return true;
    }
    bool text(std::u16string& value) {
        value.clear();
        for (std::uint16_t unit = 0;;) {
            if (!word(unit)) {
                return false;
            }
            if (unit == 0) {
                return true;
            }
            value += static_cast<char16_t>(unit);
        }
    }
    // The menu's and the class's field: none (0), an ordinal (FFFF, then
    // the number) or a name.
    bool nameOrOrdinal() {
        std::uint16_t first = 0;
        if (!word(first)) {
            return false;
        }
        if (first == 0) {
            return true;
        }
        if (first == 0xFFFF) {
            return skip(2);
        }
        std::u16string rest;
        return text(rest);
    }

private:
    const unsigned char* bytes_;
    std::size_t size_;
    std::size_t at_ = 0;
};

}  // namespace

std::optional<DialogTemplateLayout> readDialogTemplate(const unsigned char* bytes, std::size_t size) {
    TemplateReader reader(bytes, size);
    DialogTemplateLayout layout;
    std::uint16_t version = 0;
    std::uint16_t signature = 0;
    if (!reader.word(version) || !reader.word(signature)) {
        return std::nullopt;
    }
    const bool extended = version == 1 && signature == 0xFFFF;
    std::uint16_t width = 0;
    if (extended) {
        std::uint32_t helpId = 0;
        if (!reader.doubleWord(helpId) || !reader.doubleWord(layout.extendedStyle) ||
            !reader.doubleWord(layout.style)) {
            return std::nullopt;
        }
    } else {
        // The classic template starts with its style, in these two words.
        layout.style = static_cast<std::uint32_t>(version) | static_cast<std::uint32_t>(signature) << 16;
        if (!reader.doubleWord(layout.extendedStyle)) {
            return std::nullopt;
        }
    }
    // The control count, x and y, then the width.
    if (!reader.skip(6) || !reader.word(width) || !reader.skip(2)) {
        return std::nullopt;
    }
    layout.widthInDialogUnits = static_cast<std::int16_t>(width);
    std::u16string title;
    if (!reader.nameOrOrdinal() || !reader.nameOrOrdinal() || !reader.text(title)) {
        return std::nullopt;
    }
    const bool hasFont = extended ? (layout.style & shellFontStyle) != 0 : (layout.style & setFontStyle) != 0;
    if (!hasFont) {
        return layout;
    }
    std::uint16_t pointSize = 0;
    if (!reader.word(pointSize) || (extended && !reader.skip(4)) || !reader.text(layout.fontName)) {
        return std::nullopt;
    }
    layout.fontPointSize = pointSize;
    return layout;
}

int horizontalBaseUnit(int alphabetWidth) { return (alphabetWidth / 26 + 1) / 2; }

int pixelsOfDialogUnits(int dialogUnits, int horizontalBaseUnit) {
    // MulDiv(dialogUnits, base, 4): rounded half away from zero.
    const long long product = static_cast<long long>(dialogUnits) * horizontalBaseUnit;
    return static_cast<int>(product >= 0 ? (product + 2) / 4 : -((-product + 2) / 4));
}

int fontHeightAt96Dpi(int pointSize) { return -((pointSize * 96 + 36) / 72); }
