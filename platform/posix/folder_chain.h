#pragma once
#include <sys/types.h>

#include <string>

namespace platform::posix {

// Creates the folder and every missing parent with the given mode (the umask
// still applies). True when the path is a folder afterwards, also when it
// already was one.
bool makeFolderChain(const std::string& path, mode_t mode);

}  // namespace platform::posix
