// The dialog template and the icon as the program carries them, read back
// from this module, which links the same resource objects as the program.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "resources/resource_ids.h"

namespace {

const WORD japanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);

// The bytes of one resource of this module, empty when there is none.
std::vector<unsigned char> resourceBytes(LPCSTR type, WORD id) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceExA(module, type, MAKEINTRESOURCEA(id), japanese);
    if (found == nullptr) {
        return {};
    }
    const auto* bytes = static_cast<const unsigned char*>(LockResource(LoadResource(module, found)));
    return std::vector<unsigned char>(bytes, bytes + SizeofResource(module, found));
}

// Reads the fields of a DLGTEMPLATE in order.
class TemplateReader {
public:
    explicit TemplateReader(const std::vector<unsigned char>& bytes) : bytes_(bytes) {}

    DWORD dword() {
        DWORD value;
        take(&value, sizeof value);
        return value;
    }
    WORD word() {
        WORD value;
        take(&value, sizeof value);
        return value;
    }
    short coordinate() { return static_cast<short>(word()); }
    std::u16string text() {
        std::u16string value;
        for (WORD unit = word(); unit != 0; unit = word()) {
            value += static_cast<char16_t>(unit);
        }
        return value;
    }
    // A class or title: an ordinal after 0xFFFF, or a string.
    std::u16string nameOrOrdinal() {
        if (peekWord() == 0xFFFF) {
            word();
            return u"#" + std::u16string(1, static_cast<char16_t>(word()));
        }
        return text();
    }
    void alignToDword() { offset_ = (offset_ + 3) & ~std::size_t{3}; }
    bool atEnd() const { return offset_ >= bytes_.size(); }

private:
    WORD peekWord() const {
        WORD value = 0;
        if (offset_ + sizeof value <= bytes_.size()) {
            std::memcpy(&value, bytes_.data() + offset_, sizeof value);
        }
        return value;
    }
    void take(void* out, std::size_t size) {
        if (offset_ + size > bytes_.size()) {
            ADD_FAILURE() << "the template ends early, at " << offset_;
            std::memset(out, 0, size);
            offset_ = bytes_.size();
            return;
        }
        std::memcpy(out, bytes_.data() + offset_, size);
        offset_ += size;
    }

    const std::vector<unsigned char>& bytes_;
    std::size_t offset_ = 0;
};

// Atoms of the predefined control classes in a template.
const std::u16string buttonClass = u"#\x0080";
const std::u16string editClass = u"#\x0081";
const std::u16string staticClass = u"#\x0082";

struct ControlTemplate {
    std::size_t position;  // in template order
    std::string name;
    WORD id;
    std::u16string windowClass;
    std::u16string text;
    DWORD style;
    short x, y, width, height;
};

void PrintTo(const ControlTemplate& control, std::ostream* out) { *out << control.name; }

struct DialogTemplate {
    DWORD style = 0;
    DWORD extendedStyle = 0;
    short x = 0, y = 0, width = 0, height = 0;
    std::u16string menu, windowClass, title, font;
    WORD pointSize = 0;
    std::vector<ControlTemplate> controls;
};

DialogTemplate readDialogTemplate() {
    const std::vector<unsigned char> bytes = resourceBytes(MAKEINTRESOURCEA(5) /* RT_DIALOG */, IDD_PATCH);
    DialogTemplate dialog;
    if (bytes.empty()) {
        ADD_FAILURE() << "no Japanese dialog 101";
        return dialog;
    }
    TemplateReader reader(bytes);
    dialog.style = reader.dword();
    dialog.extendedStyle = reader.dword();
    const WORD count = reader.word();
    dialog.x = reader.coordinate();
    dialog.y = reader.coordinate();
    dialog.width = reader.coordinate();
    dialog.height = reader.coordinate();
    dialog.menu = reader.nameOrOrdinal();
    dialog.windowClass = reader.nameOrOrdinal();
    dialog.title = reader.text();
    if (dialog.style & DS_SETFONT) {
        dialog.pointSize = reader.word();
        dialog.font = reader.text();
    }
    for (WORD index = 0; index < count && !reader.atEnd(); ++index) {
        reader.alignToDword();
        ControlTemplate control;
        control.position = index;
        control.style = reader.dword();
        EXPECT_EQ(reader.dword(), 0u) << "extended style of control " << index;
        control.x = reader.coordinate();
        control.y = reader.coordinate();
        control.width = reader.coordinate();
        control.height = reader.coordinate();
        control.id = reader.word();
        control.windowClass = reader.nameOrOrdinal();
        control.text = reader.nameOrOrdinal();
        EXPECT_EQ(reader.word(), 0u) << "creation data of control " << index;
        control.name = std::to_string(control.id);
        dialog.controls.push_back(control);
    }
    EXPECT_EQ(dialog.controls.size(), count);
    return dialog;
}

TEST(PatchDialogTemplate, FrameIsAModalDialogOfFixedSize) {
    const DialogTemplate dialog = readDialogTemplate();
    EXPECT_EQ(dialog.style, static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT));
    EXPECT_EQ(dialog.extendedStyle, 0u);
    EXPECT_EQ(dialog.x, 0);
    EXPECT_EQ(dialog.y, 0);
    EXPECT_EQ(dialog.width, 187);
    EXPECT_EQ(dialog.height, 91);
    EXPECT_EQ(dialog.menu, u"");
    EXPECT_EQ(dialog.windowClass, u"");
    EXPECT_EQ(dialog.title, u"パッチ");
    EXPECT_EQ(dialog.pointSize, 9);
    EXPECT_EQ(dialog.font, u"ＭＳ Ｐゴシック");
    EXPECT_EQ(dialog.controls.size(), 7u);
}

// In template order, which is also the tab order.
const ControlTemplate expectedControls[] = {
    {0, "Run", IDC_RUN, buttonClass, u"実行", WS_CHILD | BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 73, 70, 50, 14},
    {1, "Folder", IDC_FOLDER, editClass, u"",
     WS_CHILD | ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP | WS_VISIBLE, 6, 25, 154, 14},
    {2, "Browse", IDC_BROWSE, buttonClass, u"...", WS_CHILD | BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 165, 25, 15, 14},
    {3, "Cancel", IDCANCEL, buttonClass, u"ｷｬﾝｾﾙ", WS_CHILD | BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 130, 70, 50, 14},
    {4, "Prompt", IDC_PROMPT, staticClass, u"インストール先のフォルダを選択して下さい。",
     WS_CHILD | SS_LEFT | WS_GROUP | WS_VISIBLE, 8, 10, 172, 8},
    {5, "Progress", IDC_PROGRESS, u"msctls_progress32", u"Progress1", WS_CHILD | WS_BORDER, 6, 25, 174, 14},
    {6, "Space", IDC_SPACE, staticClass, u"容量\t\tB\n 空き容量\tB", WS_CHILD | SS_LEFT | WS_GROUP | WS_VISIBLE, 8, 47,
     165, 19},
};

std::u16string asciiLowerCase(std::u16string text) {
    for (char16_t& unit : text) {
        if (unit >= u'A' && unit <= u'Z') {
            unit = static_cast<char16_t>(unit - u'A' + u'a');
        }
    }
    return text;
}

class PatchDialogControl : public testing::TestWithParam<ControlTemplate> {};

TEST_P(PatchDialogControl, StandsInTemplateOrderAsDrawn) {
    const ControlTemplate& expected = GetParam();
    const DialogTemplate dialog = readDialogTemplate();
    ASSERT_LT(expected.position, dialog.controls.size());
    const ControlTemplate& actual = dialog.controls[expected.position];
    EXPECT_EQ(actual.id, expected.id);
    // Window class names are matched without regard to case, and the
    // resource compiler stores them in capitals.
    EXPECT_EQ(asciiLowerCase(actual.windowClass), asciiLowerCase(expected.windowClass));
    EXPECT_EQ(actual.text, expected.text);
    EXPECT_EQ(actual.style, expected.style) << std::hex << (actual.style ^ expected.style);
    EXPECT_EQ(actual.x, expected.x);
    EXPECT_EQ(actual.y, expected.y);
    EXPECT_EQ(actual.width, expected.width);
    EXPECT_EQ(actual.height, expected.height);
}

INSTANTIATE_TEST_SUITE_P(Controls, PatchDialogControl, testing::ValuesIn(expectedControls),
                         [](const testing::TestParamInfo<ControlTemplate>& info) {
                             return std::to_string(info.param.position) + "_" + info.param.name;
                         });

#pragma pack(push, 2)
struct IconGroupHeader {
    WORD reserved, type, count;
};
struct IconGroupEntry {
    BYTE width, height, colourCount, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

TEST(ProgramIcon, IsOneImageOf128By128In24Bits) {
    const std::vector<unsigned char> group = resourceBytes(MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */, IDI_PATCH);
    ASSERT_EQ(group.size(), sizeof(IconGroupHeader) + sizeof(IconGroupEntry));
    IconGroupHeader header;
    IconGroupEntry entry;
    std::memcpy(&header, group.data(), sizeof header);
    std::memcpy(&entry, group.data() + sizeof header, sizeof entry);
    EXPECT_EQ(header.type, 1);
    EXPECT_EQ(header.count, 1);
    EXPECT_EQ(entry.width, 128);
    EXPECT_EQ(entry.height, 128);
    EXPECT_EQ(entry.bitCount, 24);
    EXPECT_EQ(entry.id, 1);

    const std::vector<unsigned char> image = resourceBytes(MAKEINTRESOURCEA(3) /* RT_ICON */, 1);
    ASSERT_EQ(image.size(), entry.bytes);
    BITMAPINFOHEADER bitmap;
    ASSERT_GE(image.size(), sizeof bitmap);
    std::memcpy(&bitmap, image.data(), sizeof bitmap);
    EXPECT_EQ(bitmap.biWidth, 128);
    EXPECT_EQ(bitmap.biHeight, 256);  // the colours, then the mask
    EXPECT_EQ(bitmap.biBitCount, 24);
}

}  // namespace
