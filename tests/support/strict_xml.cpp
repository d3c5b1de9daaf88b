#include "strict_xml.h"

#include <expat.h>

#include <cstring>
#include <strings.h>

namespace testsupport {
namespace {

// Windows-1252 at 0x80-0x9F; -1 where it has no character.
constexpr int kWindows1252High[32] = {
    0x20AC, -1,     0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, -1,     0x017D, -1,     -1,     0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, -1,     0x017E, 0x0178};

int XMLCALL knowWindows1252(void*, const XML_Char* name, XML_Encoding* info) {
  if (strcasecmp(name, "windows-1252") != 0) return XML_STATUS_ERROR;
  for (int byte = 0; byte < 256; ++byte)
    info->map[byte] = (byte >= 0x80 && byte < 0xA0) ? kWindows1252High[byte - 0x80] : byte;
  info->data = nullptr;
  info->convert = nullptr;
  info->release = nullptr;
  return XML_STATUS_OK;
}

}  // namespace

std::string strictXmlProblem(const std::string& bytes) {
  XML_Parser parser = XML_ParserCreate(nullptr);
  XML_SetUnknownEncodingHandler(parser, knowWindows1252, nullptr);
  std::string problem;
  if (XML_Parse(parser, bytes.data(), static_cast<int>(bytes.size()), XML_TRUE) == XML_STATUS_ERROR)
    problem = std::string(XML_ErrorString(XML_GetErrorCode(parser))) + " at line " +
              std::to_string(XML_GetCurrentLineNumber(parser));
  XML_ParserFree(parser);
  return problem;
}

}  // namespace testsupport
