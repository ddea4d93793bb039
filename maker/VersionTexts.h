// The version texts of a release: what the publisher gave, else what the
// stub carries, and the warnings for the texts still the stub's.
#pragma once

#include <string>
#include <vector>

#include "maker/ReleaseOptions.h"
#include "maker/version_resource.h"

// Fills `version` for the program written from the stub at `stubPath`;
// `warnings` gains a line for the company and the description left as the
// stub's. False, after saying why, when a given value is refused.
bool chooseVersionTexts(const Release& release, const std::wstring& stubPath, VersionFields& version,
                        std::vector<std::wstring>& warnings);
