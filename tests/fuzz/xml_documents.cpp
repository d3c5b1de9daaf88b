// Launch files and the bridge's configuration as they come from disk, in
// any encoding: a document that loads is saved with an entry added, and the
// saved file loads again; a file a strict reader accepts stays acceptable.
#include <platform/xml_document.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "strict_xml.h"

namespace {

std::string fileNamed(const char* name) {
  return "/tmp/kestrix-fuzz-" + std::to_string(getpid()) + "-" + name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string input = fileNamed("input.xml"), saved = fileNamed("saved.xml");
  if (FILE* out = std::fopen(input.c_str(), "wb")) {
    std::fwrite(data, 1, size, out);
    std::fclose(out);
  }
  platform::XmlDocument document;
  if (!document.loadFile(input)) return 0;
  platform::XmlElement root = document.root();
  root.selectNodes("Launch.Addon[Name = $name]", {{"name", "KESTRIX Module"}});
  root.selectNodes("/quornellimited/squarix/modules/module");
  platform::XmlElement entry = root.appendElement("Launch.Addon");
  if (entry) entry.appendElement("Path").setText("/opt/kestrix/kestrix-module");
  if (!document.save(saved)) return 0;
  platform::XmlDocument again;
  if (!again.loadFile(saved)) std::abort();
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (testsupport::strictXmlProblem(text).empty() &&
      !testsupport::strictXmlProblem(document.serialize()).empty())
    std::abort();
  return 0;
}
