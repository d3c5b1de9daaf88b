#pragma once
#include <platform/xml_document.h>

#include <string>

namespace registration {

// "Error loading EXE.XML at line N" and the parser's reason, under the
// simulator's caption.
void showLoadError(const std::string& caption, const std::string& fileName,
                   const platform::XmlParseError& error);

// The entry could not be added to some launch file; nothing was saved.
void showAddFailure(const std::string& entryName);

}  // namespace registration
