// Stands in for the icon maker until it joins: every picture is refused.
#include "maker/ProgramIcon.h"

bool programIconFrom(const std::wstring&, std::uint16_t, ProgramIcon&, std::wstring& problem) {
    problem = L"このビルドの patch-make はアイコンを作れません。--icon を外してください。";
    return false;
}
