#include "default_launch_document.h"

namespace registration {

// The declaration and the root's start tag share the first line, as the
// simulators' own files have it.
std::string defaultLaunchDocument(const std::string& fileName) {
  return "<?xml version=\"1.0\" encoding=\"Windows-1252\"?>"
         "<SimBase.Document Type=\"Launch\" version=\"1,0\">\n"
         "\t<Descr>Launch</Descr>\n"
         "\t<Filename>" + fileName + "</Filename>\n"
         "\t<Disabled>False</Disabled>\n"
         "\t<Launch.ManualLoad>False</Launch.ManualLoad>\n"
         "</SimBase.Document>\n";
}

}  // namespace registration
