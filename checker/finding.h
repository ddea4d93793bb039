// One finding of the checker's report, how it is written, and the exit code
// a list of them gives.
#pragma once

#include <string>
#include <vector>

// One line of the checker's report.
enum class Severity { note, warning, error };

// In UTF-16: a file of the folder shows as Windows names it, whatever
// characters code page 932 lacks.
struct Finding {
    Severity severity = Severity::note;
    std::wstring file;  // relative to the patch folder
    int line = 0;       // 0: the file as a whole
    std::wstring text;  // what is wrong, and what to do
};

// "file:line: エラー: text。", "file: 警告: text。", "file: メモ: text。", as a
// compiler reports.
std::wstring formatFinding(const Finding& finding);

// A finding's text closed with "。" if it is not already.
std::wstring closedSentence(const std::wstring& text);

// Pieces of the findings' texts, composed in code page 932: 「text」, and
// "N 行目".
std::string quoted(const std::string& text);
std::string lineText(int line);

// 0 nothing worse than notes, 1 warnings only, 2 any error.
int exitCodeOf(const std::vector<Finding>& findings);
