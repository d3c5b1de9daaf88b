#pragma once
#include <string>
#include <string_view>

// Whole-file reads and atomic whole-file replacement, for the stores that
// rewrite a user's file (the registry hives, XML documents).
namespace platform {

enum class FileReadOutcome { Read, Missing, Failed };

struct FileContent {
  FileReadOutcome outcome = FileReadOutcome::Failed;
  std::string bytes;
};

// Missing only when the file (or a folder on its path) does not exist; a
// file that exists but cannot be read, or is not a regular file, is Failed,
// so that no caller mistakes it for an absent one and writes over it.
FileContent readFileContent(const std::string& path);

// Writes a temporary file beside the target and renames it over the target,
// so that a crash or a full disk leaves either the old or the new content,
// never a mix, and no temporary file when the write fails. A symbolic link is
// followed; an existing file keeps its permission bits, and one that this
// process may not write is left alone (false). On failure, *reason (when
// given) says why, in words for a person.
bool replaceFileContent(const std::string& path, std::string_view bytes,
                        std::string* reason = nullptr);

}  // namespace platform
