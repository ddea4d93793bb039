#include "checker/finding.h"

#include "checker/settings_lint.h"

std::string formatFinding(const Finding& finding) {
    const char* severity = finding.severity == Severity::error     ? "エラー"
                           : finding.severity == Severity::warning ? "警告"
                                                                   : "メモ";
    std::string text = finding.file;
    if (finding.line > 0) {
        text += ":" + std::to_string(finding.line);
    }
    return text + ": " + severity + ": " + closedSentence(finding.text);
}

std::string closedSentence(const std::string& text) {
    // Each finding is one sentence or more, closed as a sentence is.
    // (A double-byte character's trail byte and a "B" hold the bytes of
    // "。" too: the scan goes character by character.)
    const std::string fullStop = "。";
    return endsWithCharacter(text, fullStop) ? text : text + fullStop;
}

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
