// What the caption check needs of the program's dialog template, read from
// its bytes (no system call: the same on every build), and the arithmetic
// that turns it into the room the title bar has for the caption.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

struct DialogTemplateLayout {
    std::uint32_t style = 0;
    std::uint32_t extendedStyle = 0;
    int widthInDialogUnits = 0;  // the client area's width
    // The font the dialog manager lays the dialog out with; nothing without
    // DS_SETFONT (the system font then).
    std::optional<int> fontPointSize;
    std::u16string fontName;
};

// A DIALOG or DIALOGEX template as a resource holds it; nothing when the
// bytes end before the font's name does.
std::optional<DialogTemplateLayout> readDialogTemplate(const unsigned char* bytes, std::size_t size);

// The dialog manager's horizontal base unit for a font: from the width of
// "A".."Z" and "a".."z" together, in pixels.
int horizontalBaseUnit(int alphabetWidth);

// Dialog units across, in pixels (rounded as MulDiv rounds).
int pixelsOfDialogUnits(int dialogUnits, int horizontalBaseUnit);

// The pixels a point size takes at 96 DPI, as a font height (negative: the
// character's height, not the cell's).
int fontHeightAt96Dpi(int pointSize);
