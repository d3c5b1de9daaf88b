#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pugi {
struct xml_node_struct;
}

namespace platform {

// XML documents as MSXML's DOM gives them to our programs: load a file or a
// text, with a parse error that has a code, a line and a reason; XPath 1.0
// queries; attributes; create, append and remove elements; save.
//
// Texts in and out of this interface are UTF-8. A file is read in the
// encoding its declaration names and saved in the same one: Windows-1252
// (and ISO-8859-1) files are taken byte by byte as Latin-1, so every byte
// survives a load and a save; a character that a Latin-1 file cannot hold is
// saved as a character reference. Saving replaces the file atomically.

// Parse error codes.
constexpr uint32_t kXmlResourceNotFound = 0x800C0005;  // the file does not exist
constexpr uint32_t kXmlAccessDenied = 0x80070005;      // the file exists but cannot be read
constexpr uint32_t kXmlOutOfMemory = 0x8007000E;
constexpr uint32_t kXmlNoTopLevelElement = 0xC00CE558;  // nothing but blanks, comments, declarations
constexpr uint32_t kXmlSyntaxError = 0xC00CE500;        // every other well-formedness error

struct XmlParseError {
  uint32_t code = 0;  // 0 after a successful load
  int line = 0;       // from 1; 0 when the error has no place in a text
  std::string reason;
};

// String variables of a query, named without the '$' ("name" for $name):
// the safe way to put outside text into an XPath expression.
// Whether text can be stored in a document and read back as it is: valid
// UTF-8 of characters XML allows, without carriage returns (a reader turns
// them into line feeds). Byte strings that are no text, such as a file
// path of arbitrary bytes, are not.
bool isXmlText(std::string_view text);

using XmlQueryVariables = std::vector<std::pair<std::string, std::string>>;

// An element of a document; empty (false) when there is none. Valid while
// its document lives and the element is not removed.
class XmlElement {
 public:
  XmlElement() = default;
  explicit operator bool() const { return node_ != nullptr; }
  bool operator==(const XmlElement& other) const { return node_ == other.node_; }

  std::string name() const;
  // The text of every text node below the element, in document order.
  std::string text() const;
  // Replaces the element's children by one text node. False (and nothing
  // changed) when the text is no XmlText.
  bool setText(const std::string& text);
  std::optional<std::string> attribute(const std::string& name) const;
  void setAttribute(const std::string& name, const std::string& value);

  XmlElement parent() const;
  std::vector<XmlElement> childElements() const;
  // Creates an element (no namespace) and appends it as the last child.
  XmlElement appendElement(const std::string& name);
  // Removes a child element with everything below it; false when it is not
  // a child of this element.
  bool removeChild(const XmlElement& child);

  // XPath 1.0 from this element: the elements selected, in document order
  // (other kinds of node are left out). An expression that does not compile
  // selects nothing.
  std::vector<XmlElement> selectNodes(const std::string& xpath,
                                      const XmlQueryVariables& variables = {}) const;
  // The first of them in document order, or an empty element.
  XmlElement selectSingleNode(const std::string& xpath,
                              const XmlQueryVariables& variables = {}) const;

 private:
  friend class XmlDocument;
  explicit XmlElement(pugi::xml_node_struct* node) : node_(node) {}
  pugi::xml_node_struct* node_ = nullptr;
};

class XmlDocument {
 public:
  XmlDocument();
  ~XmlDocument();
  XmlDocument(XmlDocument&&) noexcept;
  XmlDocument& operator=(XmlDocument&&) noexcept;
  XmlDocument(const XmlDocument&) = delete;
  XmlDocument& operator=(const XmlDocument&) = delete;

  // Each load replaces the document; on failure the document is empty and
  // parseError() tells why.
  bool loadFile(const std::string& path);
  bool loadText(const std::string& text);
  const XmlParseError& parseError() const;

  // The top-level element, or an empty one.
  XmlElement root() const;

  // The document as it would be saved, in its own encoding.
  std::string serialize() const;
  // Writes the document to a temporary file beside path and renames it over
  // path, so the old file stays whole when the save fails at any point. On
  // failure, *reason (when given) says why, in words for a person.
  bool save(const std::string& path, std::string* reason = nullptr) const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace platform
