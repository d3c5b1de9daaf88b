#pragma once
#include <string>

namespace registration {

// The FileVersion of a program file in compact dotted form: commas become
// full stops and all white space goes ("1, 9, 17, 0" gives "1.9.17.0").
// "N/A" when the file has no version resource or no FileVersion string. The
// first translation that has a FileVersion wins.
std::string fileVersionString(const std::string& programPath);

// The running program's own version text.
std::string ownFileVersionString();

}  // namespace registration
