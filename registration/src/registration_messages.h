#pragma once
#include <platform/xml_document.h>

#include <string>

namespace registration {

// "Error loading EXE.XML at line N" and the parser's reason, under the
// simulator's caption.
void showLoadError(const std::string& caption, const std::string& fileName,
                   const platform::XmlParseError& error);

// The launch file at path could not be written, and why.
void showSaveError(const std::string& caption, const std::string& path, const std::string& reason);

// An installed simulator is skipped: the variable naming its launch file's
// folder is unset.
void showFolderUnknown(const std::string& caption, const std::string& variable);

// The program's path cannot be written into a launch file; nothing was
// changed.
void showPathRefused(const std::string& entryName, const std::string& programPath);

// The entry could not be added to some launch file; nothing was saved.
void showAddFailure(const std::string& entryName);

}  // namespace registration
