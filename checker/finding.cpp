#include "checker/finding.h"

#include <cstdint>

#include "core/decimal_text.h"

std::wstring formatFinding(const Finding& finding) {
    const wchar_t* severity = finding.severity == Severity::error     ? L"エラー"
                              : finding.severity == Severity::warning ? L"警告"
                                                                      : L"メモ";
    std::wstring text = finding.file;
    if (finding.line > 0) {
        text += L":" + wideDecimalText(static_cast<std::uint64_t>(finding.line));
    }
    return text + L": " + severity + L": " + closedSentence(finding.text);
}

std::wstring closedSentence(const std::wstring& text) {
    // Each finding is one sentence or more, closed as a sentence is.
    return !text.empty() && text.back() == L'。' ? text : text + L"。";
}

std::string quoted(const std::string& text) { return "「" + text + "」"; }

std::string lineText(int line) { return decimalText(static_cast<std::uint64_t>(line)) + " 行目"; }

int exitCodeOf(const std::vector<Finding>& findings) {
    int code = 0;
    for (const Finding& finding : findings) {
        if (finding.severity == Severity::error) {
            return 2;
        }
        if (finding.severity == Severity::warning) {
            code = 1;
        }
    }
    return code;
}
