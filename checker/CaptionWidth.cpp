#include "checker/CaptionWidth.h"

#include "checker/dialog_template.h"
#include "core/HandleOwners.h"
#include "core/ModuleResource.h"
#include "resources/resource_ids.h"

namespace {

constexpr int measuringDpi = 96;

// The width of `text` in `font` on the memory device context; the font is
// put back out of the context before it goes.
std::optional<int> textWidth(HDC dc, const LOGFONTW& font, const std::wstring& text) {
    FontHandle made(CreateFontIndirectW(&font));
    if (!made.valid()) {
        return std::nullopt;
    }
    const HGDIOBJ earlier = SelectObject(dc, made.get());
    SIZE extent{};
    const BOOL measured = GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, earlier);
    if (!measured) {
        return std::nullopt;
    }
    return static_cast<int>(extent.cx);
}

// The dialog's client width in pixels, as the dialog manager lays the
// template out: its width in dialog units times the template font's
// horizontal base unit (the system font's without one).
std::optional<int> dialogWidth(HMODULE program, HDC dc) {
    const ModuleResource dialog = moduleResource(program, MAKEINTRESOURCEW(dialogResourceType), IDD_PATCH);
    if (dialog.bytes == nullptr) {
        return std::nullopt;
    }
    const std::optional<DialogTemplateLayout> layout = readDialogTemplate(dialog.bytes, dialog.size);
    if (!layout) {
        return std::nullopt;
    }
    int baseUnit = LOWORD(GetDialogBaseUnits());
    if (layout->fontPointSize) {
        LOGFONTW font{};
        font.lfHeight = fontHeightAt96Dpi(*layout->fontPointSize);
        font.lfWeight = FW_NORMAL;
        font.lfCharSet = DEFAULT_CHARSET;
        const std::wstring name(layout->fontName.begin(), layout->fontName.end());
        lstrcpynW(font.lfFaceName, name.c_str(), LF_FACESIZE);
        const std::optional<int> alphabet =
            textWidth(dc, font, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        if (!alphabet) {
            return std::nullopt;
        }
        baseUnit = horizontalBaseUnit(*alphabet);
    }
    return pixelsOfDialogUnits(layout->widthInDialogUnits, baseUnit);
}

}  // namespace

std::optional<CaptionFit> measureCaption(HMODULE program, const std::wstring& caption) {
    MemoryDc dc(CreateCompatibleDC(nullptr));
    if (!dc.valid()) {
        return std::nullopt;
    }
    const std::optional<int> width = dialogWidth(program, dc.get());
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!width || !SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        return std::nullopt;
    }
    // The caption font as a player at 100 % (96 DPI) has it: a system set
    // to another DPI gives its height in that DPI's pixels. (The checker
    // declares no DPI awareness, so Windows hands it 96 DPI figures anyway.)
    LOGFONTW captionFont = metrics.lfCaptionFont;
    const int dpi = GetDeviceCaps(dc.get(), LOGPIXELSY);
    if (dpi > 0 && dpi != measuringDpi) {
        captionFont.lfHeight = MulDiv(captionFont.lfHeight, measuringDpi, dpi);
    }
    const std::optional<int> captionWidth = textWidth(dc.get(), captionFont, caption);
    if (!captionWidth) {
        return std::nullopt;
    }
    // The title bar spans the client area's width (the frame adds as much
    // outside the caption as around the client area); the close button
    // takes its right end.
    return CaptionFit{*captionWidth, *width - GetSystemMetrics(SM_CXSIZE)};
}
