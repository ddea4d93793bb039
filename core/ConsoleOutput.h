// What a console tool (patch-check, patch-make) prints for a person: to a
// console as UTF-16, so that Japanese reads correctly whatever the console's
// code page and font; to a pipe or a file as UTF-8, which scripts, editors
// and CI logs read without a code page of their own.
#pragma once

#include <string>

enum class ToolStream { output, error };

void writeToolText(ToolStream stream, const std::wstring& text);
