// Whether a program file carries an Authenticode signature: its PE headers'
// certificate table (the security directory) names bytes within the file.
// Presence only: whether the signature holds is the system's to tell.
#pragma once

#include <string>

bool carriesSignature(const std::string& programBytes);
