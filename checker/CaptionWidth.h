// Whether the caption the settings give fits the patch dialog's title bar:
// the text measured with the system's caption font, against the width the
// program's own dialog template gives, less the close button. Measured at
// 96 DPI on a memory device context: no window is made, and no display is
// needed. What a player at 100 % sees on this system: under the tests' Wine
// prefix (96 DPI) the caption font is "MS Shell Dlg" at 12 pixels, drawn
// with IPAGothic, and the dialog's ＭＳ Ｐゴシック is IPAPGothic; on Windows
// both are whatever that Windows has.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

struct CaptionFit {
    int captionWidth = 0;  // pixels
    int room = 0;          // pixels the title bar has for the text
};

// Nothing when the program carries no dialog template to measure against or
// the system gives no caption font: nothing can be said then.
std::optional<CaptionFit> measureCaption(HMODULE program, const std::wstring& caption);
