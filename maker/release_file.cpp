#include "maker/release_file.h"

#include "settings/text_encoding.h"

namespace {

// The keys, as the command line's options name them.
constexpr const wchar_t* releaseKeys[] = {
    L"settings",    L"icon",      L"files",     L"name",   L"version",     L"product-version",    L"description",
    L"product-name", L"company", L"copyright", L"output", L"sign-pkcs12", L"sign-password-file", L"sign-timestamp-url",
};

std::wstring trimmed(const std::wstring& text) {
    const std::size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos) {
        return std::wstring();
    }
    return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

ReleaseFile stopped(int line, const std::wstring& problem) {
    ReleaseFile file;
    file.errorLine = line;
    file.problem = problem;
    return file;
}

std::wstring lineNumber(int line) {
    std::wstring digits;
    do {
        digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + line % 10));
        line /= 10;
    } while (line > 0);
    return digits;
}

}  // namespace

bool isReleaseKey(const std::wstring& key) {
    for (const wchar_t* known : releaseKeys) {
        if (key == known) {
            return true;
        }
    }
    return false;
}

ReleaseFile readReleaseFile(const std::string& bytes) {
    const std::string text = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? bytes.substr(3) : bytes;
    std::wstring wide;
    if (!wideFromUtf8(text, wide)) {
        return stopped(lineOfOffset(text, firstNonUtf8Offset(text)),
                       L"UTF-8 ではないバイトがあります。リリース ファイルは UTF-8 で保存してください。");
    }
    ReleaseFile file;
    int line = 0;
    for (std::size_t start = 0; start < wide.size() || start == 0;) {
        ++line;
        std::size_t end = wide.find_first_of(L"\r\n", start);
        if (end == std::wstring::npos) {
            end = wide.size();
        }
        const std::wstring content = trimmed(wide.substr(start, end - start));
        start = end + (wide.compare(end, 2, L"\r\n") == 0 ? 2 : 1);
        if (content.empty() || content[0] == L';') {
            if (end >= wide.size()) {
                break;
            }
            continue;
        }
        const std::size_t comma = content.find(L',');
        if (comma == std::wstring::npos) {
            return stopped(line, L"「" + content +
                                     L"」にコンマがありません。「キー,値」の形で書いてください (例: name,update)。");
        }
        const std::wstring key = trimmed(content.substr(0, comma));
        const std::wstring value = trimmed(content.substr(comma + 1));
        if (!isReleaseKey(key)) {
            return stopped(line, L"「" + key +
                                     L"」というキーはありません。settings, icon, files, name, version, product-version, "
                                     L"description, product-name, company, copyright, output, sign-pkcs12, "
                                     L"sign-password-file, sign-timestamp-url のどれかを書いてください。");
        }
        const auto earlier = file.values.find(key);
        if (earlier != file.values.end()) {
            return stopped(line, L"「" + key + L"」は " + lineNumber(earlier->second.line) +
                                     L" 行目にもあります。どちらか一方にしてください。");
        }
        if (value.empty()) {
            return stopped(line, L"「" + key + L"」の値がありません。値を書くか、この行を消してください。");
        }
        file.values[key] = {value, line};
        if (end >= wide.size()) {
            break;
        }
    }
    if (file.values.empty()) {
        return stopped(1, L"リリース ファイルに「キー,値」の行が一つもありません。"
                          L"少なくとも出力フォルダを書いてください (例: output,release)。");
    }
    return file;
}
