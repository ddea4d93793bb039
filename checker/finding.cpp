#include "checker/finding.h"

std::string formatFinding(const Finding& finding) {
    const char* severity = finding.severity == Severity::error     ? "エラー"
                           : finding.severity == Severity::warning ? "警告"
                                                                   : "情報";
    std::string text = finding.file;
    if (finding.line > 0) {
        text += ":" + std::to_string(finding.line);
    }
    return text + ": " + severity + ": " + finding.text;
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
