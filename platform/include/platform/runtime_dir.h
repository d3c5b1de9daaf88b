#pragma once
#include <optional>
#include <string>

namespace platform {

// The folder that holds every named object, window and lab socket of one
// user: $KESTRIX_RUNTIME_DIR, else $XDG_RUNTIME_DIR/kestrix, else
// /tmp/kestrix-<uid>. Created with mode 0700 on first use. On Windows named
// objects and windows are the system's own; $KESTRIX_RUNTIME_DIR, when set,
// still keeps one test world's objects apart from another's, and the folder
// defaults to <temporary folder>\kestrix. Read from the
// environment on every call, so a test can point each case elsewhere.
std::string runtimeDir();

// Why the runtime folder cannot be trusted, or nothing when it is ours: it
// must be a folder (not a link to one), owned by this user and closed to
// group and others. Otherwise another user could see or take over every
// named object, window and socket in it. Creates it (mode 0700) first when
// it is missing.
std::optional<std::string> runtimeDirProblem();

// runtimeDir() + "/" + relative, creating the intermediate folders of the
// relative part.
std::string runtimePath(const std::string& relative);

}  // namespace platform
