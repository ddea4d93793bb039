// Every word of the patch dialog is seen: each static text and button of its
// three views (choosing the folder, copying, finished), and the space display
// with the largest figures it can show, fits its control when measured in the
// font the dialog is drawn in, with the flags the control draws with.
//
// Measured in two fonts. The template's own, ＭＳ Ｐゴシック, as this Wine
// prefix replaces it (IPAPGothic, proportional). And a wider Japanese font,
// the fixed-width IPAGothic, in its place, which is what a player meets on a
// Windows without ＭＳ Ｐゴシック (a Western Windows without the Japanese
// supplemental fonts draws the dialog in another Japanese font). The test
// names that font itself, in a copy of the template, so that the result does
// not depend on what the host would pick for a missing font: the dialog
// manager then lays out the controls and draws every text in it, exactly as
// when the system puts it in place of a face it lacks.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "copy/CopyJob.h"
#include "core/HandleOwners.h"
#include "dialog/display_rules.h"
#include "resources/resource_ids.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestOwners.h"
#include "tests/support/case_name.h"

namespace {

// The widest wide font that Debian packages with a face for every Japanese
// character (fonts-ipafont-gothic): its kana and kanji are a full em, its
// Latin letters and digits half of one.
constexpr wchar_t widerGothic[] = L"IPAGothic";

// The largest figures the space display can show: a patch of 2^64 - 1 bytes,
// a drive with 2^64 - 1 kilobytes free, on a drive with the widest letter.
const std::uint64_t largestRequiredKb = wholeKilobytes(~std::uint64_t{0});
constexpr std::uint64_t largestFreeKb = ~std::uint64_t{0};
constexpr wchar_t widestRoot[] = L"W:\\";

// The program's dialog template, as its resource holds it.
std::vector<WORD> programTemplate() {
    const HMODULE program = GetModuleHandleW(nullptr);
    const HRSRC found = FindResourceW(program, MAKEINTRESOURCEW(IDD_PATCH), MAKEINTRESOURCEW(5));  // RT_DIALOG
    const HGLOBAL loaded = found != nullptr ? LoadResource(program, found) : nullptr;
    const auto* words = static_cast<const WORD*>(loaded != nullptr ? LockResource(loaded) : nullptr);
    if (words == nullptr) {
        ADD_FAILURE() << "no dialog " << IDD_PATCH << " in the test's resources";
        return {};
    }
    return std::vector<WORD>(words, words + SizeofResource(program, found) / sizeof(WORD));
}

// The index of the word after the template field at `at`: an ordinal
// (0xFFFF, number), or a text ending with a null.
std::size_t skipField(const std::vector<WORD>& words, std::size_t at) {
    if (at < words.size() && words[at] == 0xFFFF) {
        return at + 2;
    }
    while (at < words.size() && words[at] != 0) {
        ++at;
    }
    return at + 1;
}

// A copy of a classic DIALOG template (DS_SETFONT) with the font's face
// replaced. The controls start on the first DWORD boundary after the face's
// name, so they move as one block.
std::vector<WORD> withFace(const std::vector<WORD>& original, const std::wstring& face) {
    constexpr std::size_t menuField = 9;  // after style, extended style, count, x, y, cx, cy
    std::size_t at = skipField(original, menuField);
    at = skipField(original, at);      // the window class
    at = skipField(original, at);      // the caption
    const std::size_t faceStart = at + 1;  // after the point size
    const std::size_t faceEnd = skipField(original, faceStart);
    const std::size_t controlsStart = faceEnd + faceEnd % 2;
    if (controlsStart > original.size()) {
        ADD_FAILURE() << "the dialog template ends before its font's name does";
        return original;
    }
    std::vector<WORD> copy(original.begin(), original.begin() + static_cast<std::ptrdiff_t>(faceStart));
    copy.insert(copy.end(), face.begin(), face.end());
    copy.push_back(0);
    if (copy.size() % 2 != 0) {
        copy.push_back(0);
    }
    copy.insert(copy.end(), original.begin() + static_cast<std::ptrdiff_t>(controlsStart), original.end());
    return copy;
}

INT_PTR CALLBACK quietDialog(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// The flags a control draws its text with: a push button one centred line
// (several where BS_MULTILINE allows them), a static text with its tabs
// expanded, wrapped at words unless its style says otherwise.
UINT drawFlagsOf(HWND control, bool button) {
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    if (button) {
        return DT_CENTER | DT_VCENTER | ((style & BS_MULTILINE) != 0 ? DT_WORDBREAK : DT_SINGLELINE);
    }
    UINT flags = DT_EXPANDTABS | ((style & SS_NOPREFIX) != 0 ? DT_NOPREFIX : 0);
    switch (style & SS_TYPEMASK) {
    case SS_LEFT:
        return flags | DT_LEFT | DT_WORDBREAK;
    case SS_CENTER:
        return flags | DT_CENTER | DT_WORDBREAK;
    case SS_RIGHT:
        return flags | DT_RIGHT | DT_WORDBREAK;
    case SS_LEFTNOWORDWRAP:
        return flags | DT_LEFT;
    default:
        ADD_FAILURE() << "a static text of style " << std::hex << style << " is no text this test measures";
        return flags;
    }
}

std::wstring classOf(HWND control) {
    wchar_t name[64] = L"";
    GetClassNameW(control, name, 64);
    return name;
}

std::wstring textOf(HWND control) {
    wchar_t text[1024] = L"";
    GetWindowTextW(control, text, 1024);
    return text;
}

// The face a font really draws with, which is a replacement's own name when
// the system took another for the one asked.
std::wstring faceOf(HFONT font) {
    MemoryDc dc(CreateCompatibleDC(nullptr));
    const HGDIOBJ earlier = SelectObject(dc.get(), font);
    wchar_t face[LF_FACESIZE] = L"";
    GetTextFaceW(dc.get(), LF_FACESIZE, face);
    SelectObject(dc.get(), earlier);
    return face;
}

// Measures the text of one visible static text or button in its own font:
// the rectangle DrawTextW asks for must lie within the control's client area.
void expectTextFits(HWND control) {
    const std::wstring className = classOf(control);
    const bool button = lstrcmpiW(className.c_str(), L"Button") == 0;
    if (!button && lstrcmpiW(className.c_str(), L"Static") != 0) {
        return;
    }
    const std::wstring text = textOf(control);
    if (!IsWindowVisible(control) || text.empty()) {
        return;
    }
    RECT client{};
    ASSERT_TRUE(GetClientRect(control, &client));
    MemoryDc dc(CreateCompatibleDC(nullptr));
    ASSERT_TRUE(dc.valid());
    const HGDIOBJ earlier = SelectObject(dc.get(), reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT needed = client;
    const UINT flags = drawFlagsOf(control, button);
    const int height = DrawTextW(dc.get(), text.c_str(), -1, &needed, flags | DT_CALCRECT);
    SelectObject(dc.get(), earlier);
    ASSERT_GT(height, 0);
    EXPECT_TRUE(needed.right <= client.right && needed.bottom <= client.bottom)
        << "control " << GetDlgCtrlID(control) << " \"" << utf8(text) << "\" (flags " << std::hex << flags
        << std::dec << ") needs " << needed.right << " x " << needed.bottom << " pixels; its client area is "
        << client.right << " x " << client.bottom;
}

enum class View { choosing, copying, finished };

struct FitCase {
    const char* name;
    const wchar_t* face;  // null: the template's own font
    View view;
};

void PrintTo(const FitCase& fitCase, std::ostream* out) { *out << fitCase.name; }

class DialogTextFits : public testing::TestWithParam<FitCase> {};

// The dialog as the program shows it in the case's view: the space display
// as the folder choice fills it, then the copy's views in their order.
void showView(HWND dialog, View view) {
    SetDlgItemTextW(dialog, IDC_SPACE, spaceDisplayText(largestRequiredKb, widestRoot, largestFreeKb).c_str());
    if (view == View::choosing) {
        return;
    }
    showProgressView(dialog);
    if (view == View::finished) {
        showFinishedView(dialog);
    }
}

BOOL CALLBACK measureChild(HWND control, LPARAM) {
    expectTextFits(control);
    return TRUE;
}

TEST_P(DialogTextFits, InTheFontTheDialogIsDrawnIn) {
    const FitCase& fitCase = GetParam();
    const INITCOMMONCONTROLSEX classes{sizeof classes, ICC_PROGRESS_CLASS};
    ASSERT_TRUE(InitCommonControlsEx(&classes));
    std::vector<WORD> dialogTemplate = programTemplate();
    ASSERT_FALSE(dialogTemplate.empty());
    if (fitCase.face != nullptr) {
        dialogTemplate = withFace(dialogTemplate, fitCase.face);
    }
    const WindowOwner dialog(CreateDialogIndirectParamW(
        GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE*>(dialogTemplate.data()), nullptr,
        quietDialog, 0));
    ASSERT_TRUE(dialog.valid());
    const auto font = reinterpret_cast<HFONT>(SendMessageW(dialog.get(), WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr) << "the dialog has no font of its own";
    if (fitCase.face != nullptr) {
        // A host without the font would measure in whatever stands in for it.
        ASSERT_EQ(faceOf(font), fitCase.face) << "the font " << utf8(fitCase.face) << " is not installed";
    }
    RecordProperty("face", utf8(faceOf(font)));

    ShowWindow(dialog.get(), SW_SHOWNA);
    showView(dialog.get(), fitCase.view);
    EnumChildWindows(dialog.get(), measureChild, 0);
}

const FitCase fitCases[] = {
    {"TemplateFont_Choosing", nullptr, View::choosing},
    {"TemplateFont_Copying", nullptr, View::copying},
    {"TemplateFont_Finished", nullptr, View::finished},
    {"WiderGothic_Choosing", widerGothic, View::choosing},
    {"WiderGothic_Copying", widerGothic, View::copying},
    {"WiderGothic_Finished", widerGothic, View::finished},
};

INSTANTIATE_TEST_SUITE_P(Views, DialogTextFits, testing::ValuesIn(fitCases), caseName<FitCase>);

}  // namespace
