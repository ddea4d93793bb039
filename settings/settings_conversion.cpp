#include "settings/settings_conversion.h"

#include "settings/cp932_conversion.h"
#include "settings/settings_keys.h"
#include "settings/text_encoding.h"

namespace {

// Characters a Japanese editor or input method gives where code page 932
// has a look-alike of another code: each reads back as another character,
// or not at all. What the publisher means, and what to type for it.
struct Slip {
    wchar_t typed;
    const wchar_t* problem;
};

constexpr Slip slips[] = {
    {L'\u00A5', L"「¥」はコード ページ 932 で「\\」に変わります。パスの区切りには「\\」と書いてください。"},
    {L'\u301C', L"「〜」(U+301C) はコード ページ 932 にありません。全角のチルダ「～」(U+FF5E) と書いてください。"},
    {L'\u2212', L"「−」(U+2212) はコード ページ 932 にありません。全角のマイナス「－」(U+FF0D) と書いてください。"},
    {L'\u2016', L"「‖」(U+2016) はコード ページ 932 にありません。「∥」(U+2225) と書いてください。"},
    {L'\u00A2', L"「¢」(U+00A2) はコード ページ 932 にありません。全角の「￠」(U+FFE0) と書いてください。"},
    {L'\u00A3', L"「£」(U+00A3) はコード ページ 932 にありません。全角の「￡」(U+FFE1) と書いてください。"},
    {L'\u00AC', L"「¬」(U+00AC) はコード ページ 932 にありません。全角の「￢」(U+FFE2) と書いてください。"},
};

// A code point as "U+" writes it: upper-case hex, four digits at least.
std::wstring codePointHex(unsigned long code) {
    static const wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring text;
    for (int shift = code > 0xFFFFF ? 20 : code > 0xFFFF ? 16 : 12; shift >= 0; shift -= 4) {
        text += digits[(code >> shift) & 0xF];
    }
    return text;
}

// A yen sign reads back as a backslash, which means another thing in each
// key's value: a path separator in a file's name, the character the font
// draws for a backslash in the caption, and a key separator in the registry
// key that the title and the company name.
std::wstring yenSignProblemIn(SettingsKey key) {
    switch (key) {
        case SettingsKey::caption:
            return L"「¥」はコード ページ 932 で「\\」に変わります。円記号を表示するなら全角の「￥」(U+FFE5) と書いてください。";
        case SettingsKey::title:
        case SettingsKey::company:
            return L"「¥」はコード ページ 932 で「\\」に変わり、レジストリのキーの区切りになります。タイトルと社名は"
                   L"ゲームのインストーラが書いたレジストリのキーと一字一句同じでなければなりません。"
                   L"インストーラのキーのとおりに書いてください。";
        default:
            return slips[0].problem;
    }
}

// The key of a line that does not convert whole: its part up to the first
// comma decides it, as the program reads it.
SettingsKey keyOfWideLine(const std::wstring& characters) {
    const std::size_t comma = characters.find(L',');
    std::string head;
    std::string value;
    if (comma == std::wstring::npos || !cp932FromWide(characters.substr(0, comma + 1), head)) {
        return SettingsKey::none;
    }
    return keyOfLine(head, value);
}

std::wstring problemWith(const std::wstring& character, const std::wstring& line) {
    if (character == L"\u00A5") {
        return yenSignProblemIn(keyOfWideLine(line));
    }
    for (const Slip& slip : slips) {
        if (character.size() == 1 && character[0] == slip.typed) {
            return slip.problem;
        }
    }
    unsigned long code = static_cast<unsigned long>(character[0]);
    if (character.size() == 2) {
        code = 0x10000 + ((code - 0xD800) << 10) + (static_cast<unsigned long>(character[1]) - 0xDC00);
    }
    return L"「" + character + L"」(U+" + codePointHex(code) +
           L") はコード ページ 932 にない文字です。コード ページ 932 にある文字に書き換えてください。";
}

// The lines of a text without their breaks (CR LF, LF or CR alone), as the
// program splits them.
template <typename Text>
void forEachLine(const Text& text, auto&& take) {
    std::size_t start = 0;
    int line = 1;
    while (!text.empty() && start <= text.size()) {
        std::size_t end = start;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n') {
            ++end;
        }
        if (end == text.size() && start == end && start != 0) {
            return;  // the break that ends the last line
        }
        if (!take(line, text.substr(start, end - start))) {
            return;
        }
        if (end == text.size()) {
            return;
        }
        start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
        ++line;
    }
}

SettingsConversion refusal(int line, const std::wstring& problem) {
    SettingsConversion result;
    result.line = line;
    result.problem = problem;
    return result;
}

constexpr wchar_t notAText[] =
    L"UTF-8 でもコード ページ 932 (Shift_JIS) でもないバイトがあります。UTF-8 か Shift_JIS (CP932) で保存し直してください。";

}  // namespace

SettingsConversion settingsFileFrom(const std::string& text) {
    const EncodingCheck check = checkEncoding(text);
    SettingsConversion result;
    switch (check.encoding) {
        case TextEncoding::codePage932:
            forEachLine(text, [&](int line, const std::string& bytes) {
                std::wstring wide;
                if (!wideFromCp932(bytes, wide)) {
                    result = refusal(line, notAText);
                    return false;
                }
                result.bytes += bytes + "\r\n";
                return true;
            });
            break;
        case TextEncoding::utf8WithoutBom:
        case TextEncoding::utf8WithBom: {
            std::wstring wide;
            wideFromUtf8(text.substr(check.encoding == TextEncoding::utf8WithBom ? 3 : 0), wide);
            forEachLine(wide, [&](int line, const std::wstring& characters) {
                std::string bytes;
                if (cp932FromWide(characters, bytes)) {
                    result.bytes += bytes + "\r\n";
                    return true;
                }
                // The first character that has no form of its own.
                for (std::size_t i = 0; i < characters.size();) {
                    const bool pair = characters[i] >= 0xD800 && characters[i] <= 0xDBFF && i + 1 < characters.size();
                    const std::wstring character = characters.substr(i, pair ? 2 : 1);
                    if (!cp932FromWide(character, bytes)) {
                        result = refusal(line, problemWith(character, characters));
                        return false;
                    }
                    i += character.size();
                }
                result = refusal(line, notAText);
                return false;
            });
            break;
        }
        case TextEncoding::utf16:
            return refusal(1,
                           L"UTF-16 で保存されています。UTF-8 か Shift_JIS (CP932) で保存し直してください。");
        case TextEncoding::bomOnCodePage932:
        case TextEncoding::notCodePage932:
            return refusal(check.line, notAText);
    }
    // Nothing to build in: the program would find no settings at all.
    if (result.problem.empty() && result.bytes.empty()) {
        return refusal(1, L"設定のテキストが空です。キャプション、タイトル、社名、実行ファイルとファイルの行を書いてください。");
    }
    result.converted = result.problem.empty();
    if (!result.converted) {
        result.bytes.clear();
    }
    return result;
}
