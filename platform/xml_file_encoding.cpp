#include "xml_file_encoding.h"

#include <cstdio>

#include "utf16.h"

namespace platform::xml {
namespace {

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// The encoding name of an XML declaration at the start of the text, lower
// case; empty when there is none.
std::string declaredEncodingName(std::string_view text) {
  if (!startsWith(text, "<?xml")) return {};
  std::string_view declaration = text.substr(0, text.find("?>"));
  size_t at = declaration.find("encoding");
  if (at == std::string_view::npos) return {};
  at = declaration.find_first_of("\"'", at);
  if (at == std::string_view::npos) return {};
  size_t end = declaration.find(declaration[at], at + 1);
  if (end == std::string_view::npos) return {};
  std::string name;
  for (char c : declaration.substr(at + 1, end - at - 1)) name += lower(c);
  return name;
}

bool isLatin1Name(const std::string& name) {
  for (const char* known : {"windows-1252", "cp1252", "iso-8859-1", "iso_8859-1", "latin1", "latin-1", "l1"})
    if (name == known) return true;
  return false;
}

std::string decodeUtf16(std::string_view bytes, bool littleEndian) {
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    auto low = static_cast<unsigned char>(bytes[littleEndian ? i : i + 1]);
    auto high = static_cast<unsigned char>(bytes[littleEndian ? i + 1 : i]);
    char16_t unit = static_cast<char16_t>(high << 8 | low);
    // U+FFFE and U+FFFF are no characters of any XML document; like a lone
    // surrogate they become the replacement character, so that what is
    // saved again reads as XML.
    if (unit == u'\xFFFE' || unit == u'\xFFFF') unit = u'\xFFFD';
    units += unit;
  }
  if (!units.empty() && units.front() == u'\xFEFF') units.erase(0, 1);
  return utf16ToUtf8(units);
}

std::string encodeUtf16(std::string_view text, bool littleEndian) {
  std::u16string units = u"\xFEFF" + utf8ToUtf16(text);
  std::string bytes;
  bytes.reserve(units.size() * 2);
  for (char16_t unit : units) {
    char low = static_cast<char>(unit & 0xff), high = static_cast<char>(unit >> 8);
    bytes += littleEndian ? low : high;
    bytes += littleEndian ? high : low;
  }
  return bytes;
}

// The code point of the UTF-8 sequence at text[at], moving at past it; -1
// (and one byte on) for a byte that starts no valid sequence.
long nextCodePoint(std::string_view text, size_t& at) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char first = byte(at);
  size_t length = first < 0x80 ? 1 : (first >> 5) == 6 ? 2 : (first >> 4) == 14 ? 3 : (first >> 3) == 30 ? 4 : 0;
  if (length == 0 || at + length > text.size()) {
    ++at;
    return -1;
  }
  long code = length == 1 ? first : first & (0x7f >> length);
  for (size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xc0) != 0x80) {
      ++at;
      return -1;
    }
    code = code << 6 | (byte(at + i) & 0x3f);
  }
  at += length;
  return code;
}

std::string encodeLatin1(std::string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    long code = nextCodePoint(text, at);
    if (code < 0) {
      bytes += '?';
    } else if (code <= 0xff) {
      bytes += static_cast<char>(code);
    } else {
      char reference[24];
      std::snprintf(reference, sizeof reference, "&#x%lX;", code);
      bytes += reference;
    }
  }
  return bytes;
}

std::string decodeLatin1(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (char c : bytes) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      text += c;
    } else {
      text += static_cast<char>(0xc0 | byte >> 6);
      text += static_cast<char>(0x80 | (byte & 0x3f));
    }
  }
  return text;
}

}  // namespace

FileEncoding detectFileEncoding(std::string_view bytes) {
  if (startsWith(bytes, "\xEF\xBB\xBF")) return FileEncoding::Utf8;
  if (startsWith(bytes, "\xFF\xFE") || startsWith(bytes, std::string_view("<\0?\0", 4)))
    return FileEncoding::Utf16Le;
  if (startsWith(bytes, "\xFE\xFF") || startsWith(bytes, std::string_view("\0<\0?", 4)))
    return FileEncoding::Utf16Be;
  return isLatin1Name(declaredEncodingName(bytes)) ? FileEncoding::Latin1 : FileEncoding::Utf8;
}

std::string decodeToUtf8(std::string_view bytes, FileEncoding encoding) {
  switch (encoding) {
    case FileEncoding::Latin1:
      return decodeLatin1(bytes);
    case FileEncoding::Utf16Le:
      return decodeUtf16(bytes, true);
    case FileEncoding::Utf16Be:
      return decodeUtf16(bytes, false);
    case FileEncoding::Utf8:
      break;
  }
  if (startsWith(bytes, "\xEF\xBB\xBF")) bytes.remove_prefix(3);
  return std::string(bytes);
}

std::string encodeFromUtf8(std::string_view text, FileEncoding encoding) {
  switch (encoding) {
    case FileEncoding::Latin1:
      return encodeLatin1(text);
    case FileEncoding::Utf16Le:
      return encodeUtf16(text, true);
    case FileEncoding::Utf16Be:
      return encodeUtf16(text, false);
    case FileEncoding::Utf8:
      break;
  }
  return std::string(text);
}

}  // namespace platform::xml
