#pragma once
#include <string>

namespace platform {

// The folder that holds every named object, window and lab socket of one
// user: $KESTRIX_RUNTIME_DIR, else $XDG_RUNTIME_DIR/kestrix, else
// /tmp/kestrix-<uid>. Created with mode 0700 on first use. Read from the
// environment on every call, so a test can point each case elsewhere.
std::string runtimeDir();

// runtimeDir() + "/" + relative, creating the intermediate folders of the
// relative part.
std::string runtimePath(const std::string& relative);

}  // namespace platform
