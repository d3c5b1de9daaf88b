#pragma once
#include <string>

namespace platform::win32 {

// The kernel-object name of a named mutex, event or file mapping. Named
// objects belong to the user's runtime folder as they do on Linux: with
// $KESTRIX_RUNTIME_DIR set (every test case sets its own) the name is
// prefixed with a tag of that folder, so cases running side by side never
// meet; otherwise the name is used as it is, so other programs find it.
std::wstring kernelObjectName(const std::string& name);

}  // namespace platform::win32
