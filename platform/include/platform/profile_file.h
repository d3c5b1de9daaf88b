#pragma once
#include <string>

namespace platform {

// Windows profile-file (INI) access, one value per call and no caching, so a
// value written is what the next read returns. Section and key names ignore
// letter case; values are trimmed of surrounding blanks and of one pair of
// enclosing quotes; lines starting with ';' are comments.

// The integer at section/key: the leading number of the value (decimal, or
// hexadecimal after "0x", optional sign; "12abc" gives 12, "abc" gives 0);
// defaultValue when the file, section or key is missing or the value empty.
int getProfileInt(const std::string& section, const std::string& key, int defaultValue,
                  const std::string& path);

std::string getProfileString(const std::string& section, const std::string& key,
                             const std::string& defaultValue, const std::string& path);

// Writes key=value, creating the file and the section when missing and
// keeping every other line as it was. The file is replaced atomically, so a
// crash mid-write leaves the old content. False when it cannot be written.
bool writeProfileString(const std::string& section, const std::string& key,
                        const std::string& value, const std::string& path);

}  // namespace platform
