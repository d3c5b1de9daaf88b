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

// Expat takes any unit after a high surrogate for its low half, so a
// UTF-16 file with a broken pair (and whatever character that swallows)
// would pass. The pairs are checked here first, in the byte order the
// file's first two bytes give, as an XML reader detects it.
std::string brokenSurrogatePair(const std::string& bytes) {
  if (bytes.size() < 2) return {};
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  bool littleEndian;
  if ((byte(0) == 0xFF && byte(1) == 0xFE) || (byte(0) == 0x3C && byte(1) == 0x00))
    littleEndian = true;
  else if ((byte(0) == 0xFE && byte(1) == 0xFF) || (byte(0) == 0x00 && byte(1) == 0x3C))
    littleEndian = false;
  else
    return {};
  bool highBefore = false;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const unsigned unit = littleEndian ? byte(i) | byte(i + 1) << 8 : byte(i) << 8 | byte(i + 1);
    const bool high = unit >= 0xD800 && unit <= 0xDBFF, low = unit >= 0xDC00 && unit <= 0xDFFF;
    if (highBefore != low) return "broken UTF-16 surrogate pair at byte " + std::to_string(i);
    highBefore = high;
  }
  return highBefore ? "broken UTF-16 surrogate pair at the end" : "";
}

}  // namespace

std::string strictXmlProblem(const std::string& bytes) {
  if (std::string broken = brokenSurrogatePair(bytes); !broken.empty()) return broken;
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
