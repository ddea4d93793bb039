#include "maker/ReleaseOptions.h"

#include <cstdint>
#include <optional>

#include "core/ConsoleOutput.h"
#include "core/FileProbe.h"
#include "core/FileNames.h"
#include "core/decimal_text.h"
#include "core/path_text.h"
#include "maker/release_file.h"

namespace {

bool isRelative(const std::wstring& path) {
    return !(path.size() >= 1 && (path[0] == L'\\' || path[0] == L'/')) && !(path.size() >= 2 && path[1] == L':');
}

constexpr const wchar_t* valueOptions[] = {
    L"settings", L"icon",    L"files",     L"name",   L"version", L"product-version", L"description",
    L"product-name", L"company", L"copyright", L"output", L"stub",
    // Read by scripts/publish (patch-make itself never signs).
    L"sign-pkcs12", L"sign-password-file", L"sign-timestamp-url",
};

}  // namespace

const Given* Release::find(const wchar_t* key) const {
    const auto found = values.find(key);
    return found == values.end() ? nullptr : &found->second;
}

std::wstring Release::pathOf(const Given& given) const {
    if (given.baseFolder.empty() || !isRelative(given.text)) {
        return fullPathOf(given.text);
    }
    return fullPathOf(given.baseFolder + L"\\" + given.text);
}

std::wstring errorLine(const Refusal& refusal) { return refusal.where + L": エラー: " + refusal.text; }

void say(const std::wstring& line) { writeToolText(ToolStream::output, line + L"\r\n"); }

std::wstring missing(const std::wstring& asGiven, const wchar_t* whatToDo) {
    return L"「" + asGiven + L"」がありません。" + whatToDo;
}

bool takesValue(const std::wstring& option) {
    for (const wchar_t* name : valueOptions) {
        if (option == std::wstring(L"--") + name) {
            return true;
        }
    }
    return false;
}

bool addReleaseFile(Release& release, const std::wstring& releaseFile) {
    const std::wstring path = fullPathOf(releaseFile);
    const std::optional<std::string> bytes = isFileAt(path) ? fileBytesAt(path) : std::nullopt;
    if (!bytes) {
        say(errorLine({L"patch-make", missing(releaseFile, L"リリース ファイルを指定してください。")}));
        return false;
    }
    const ReleaseFile file = readReleaseFile(*bytes);
    if (!file.problem.empty()) {
        say(errorLine({releaseFile + L":" + wideDecimalText(static_cast<std::uint64_t>(file.errorLine)),
                       file.problem}));
        return false;
    }
    for (const auto& [key, value] : file.values) {
        // Options override the file.
        if (release.values.count(key) == 0) {
            release.values[key] = {value.text,
                                   releaseFile + L":" + wideDecimalText(static_cast<std::uint64_t>(value.line)),
                                   folderOfPath(path)};
        }
    }
    return true;
}
