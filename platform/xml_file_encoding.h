#pragma once
#include <string>
#include <string_view>

// The encodings of the XML files our programs read and write, and the
// conversions between them and the UTF-8 that the document works in.
namespace platform::xml {

enum class FileEncoding { Utf8, Latin1, Utf16Le, Utf16Be };

// What a file's bytes are: a byte-order mark or UTF-16 without one, else
// what the declaration names. Windows-1252 and ISO-8859-1 are read as
// Latin-1, which keeps every byte as it was; anything else as UTF-8.
FileEncoding detectFileEncoding(std::string_view bytes);

std::string decodeToUtf8(std::string_view bytes, FileEncoding encoding);

// In Latin-1, a character above U+00FF becomes a character reference
// ("&#x142;"), which is right in text and attribute values, the only
// places our programs put such characters.
std::string encodeFromUtf8(std::string_view text, FileEncoding encoding);

}  // namespace platform::xml
