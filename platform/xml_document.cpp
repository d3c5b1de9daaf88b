#include "platform/xml_document.h"

#include <pugixml.hpp>

#include <new>

#include "file_content.h"
#include "xml_file_encoding.h"

namespace platform {
namespace {

// Everything a file holds is kept, so that a save loses nothing but
// indentation: comments, processing instructions, the declaration and the
// document type. Blank-only text between elements is layout, which the save
// writes anew.
constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_declaration |
                                   pugi::parse_comments | pugi::parse_pi | pugi::parse_doctype;

// An existing declaration is written as it was; none is added. Empty
// elements are written as <a></a>, which every simulator's reader takes.
constexpr unsigned kSaveFlags =
    pugi::format_indent | pugi::format_no_declaration | pugi::format_no_empty_element_tags;

int lineAt(std::string_view text, ptrdiff_t offset) {
  if (offset < 0) return 0;
  size_t end = std::min(static_cast<size_t>(offset), text.size());
  int line = 1;
  for (size_t i = 0; i < end; ++i)
    if (text[i] == '\n') ++line;
  return line;
}

pugi::xml_node nodeOf(pugi::xml_node_struct* node) { return pugi::xml_node(node); }

void collectText(pugi::xml_node node, std::string& text) {
  for (pugi::xml_node child : node.children()) {
    if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
      text += child.value();
    else if (child.type() == pugi::node_element)
      collectText(child, text);
  }
}

class StringWriter : public pugi::xml_writer {
 public:
  void write(const void* data, size_t size) override {
    text.append(static_cast<const char*>(data), size);
  }
  std::string text;
};

}  // namespace

// ---- XmlElement

std::string XmlElement::name() const { return node_ ? nodeOf(node_).name() : ""; }

std::string XmlElement::text() const {
  std::string text;
  if (node_) collectText(nodeOf(node_), text);
  return text;
}

bool isXmlText(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    uint32_t code = 0;
    size_t length = 0;
    if (lead < 0x80) {
      code = lead;
      length = 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      code = lead & 0x1F;
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      code = lead & 0x0F;
      length = 3;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      code = lead & 0x07;
      length = 4;
    } else {
      return false;  // a continuation byte, or a lead no UTF-8 has
    }
    if (i + length > text.size()) return false;
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values beyond Unicode are no UTF-8.
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    if (overlong || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return false;
    const bool allowed = code == '\t' || code == '\n' || (code >= 0x20 && code != 0xFFFE && code != 0xFFFF);
    if (!allowed) return false;
    i += length;
  }
  return true;
}

bool XmlElement::setText(const std::string& text) {
  if (!node_ || !isXmlText(text)) return false;
  pugi::xml_node node = nodeOf(node_);
  while (node.first_child()) node.remove_child(node.first_child());
  if (!text.empty()) node.append_child(pugi::node_pcdata).set_value(text.c_str());
  return true;
}

std::optional<std::string> XmlElement::attribute(const std::string& name) const {
  if (!node_) return std::nullopt;
  pugi::xml_attribute found = nodeOf(node_).attribute(name.c_str());
  if (!found) return std::nullopt;
  return std::string(found.value());
}

void XmlElement::setAttribute(const std::string& name, const std::string& value) {
  if (!node_) return;
  pugi::xml_node node = nodeOf(node_);
  pugi::xml_attribute found = node.attribute(name.c_str());
  if (!found) found = node.append_attribute(name.c_str());
  found.set_value(value.c_str());
}

XmlElement XmlElement::parent() const {
  if (!node_) return {};
  pugi::xml_node parent = nodeOf(node_).parent();
  return parent.type() == pugi::node_element ? XmlElement(parent.internal_object()) : XmlElement();
}

std::vector<XmlElement> XmlElement::childElements() const {
  std::vector<XmlElement> children;
  if (!node_) return children;
  for (pugi::xml_node child : nodeOf(node_).children())
    if (child.type() == pugi::node_element) children.push_back(XmlElement(child.internal_object()));
  return children;
}

XmlElement XmlElement::appendElement(const std::string& name) {
  if (!node_) return {};
  pugi::xml_node child = nodeOf(node_).append_child(name.c_str());
  return child ? XmlElement(child.internal_object()) : XmlElement();
}

bool XmlElement::removeChild(const XmlElement& child) {
  if (!node_ || !child.node_ || nodeOf(child.node_).parent() != nodeOf(node_)) return false;
  return nodeOf(node_).remove_child(nodeOf(child.node_));
}

std::vector<XmlElement> XmlElement::selectNodes(const std::string& xpath,
                                                const XmlQueryVariables& variables) const {
  std::vector<XmlElement> selected;
  if (!node_) return selected;
  // pugixml reports a bad expression or a result that is no node set by
  // throwing; none of that leaves this layer.
  try {
    pugi::xpath_variable_set set;
    for (const auto& [name, value] : variables) set.set(name.c_str(), value.c_str());
    pugi::xpath_query query(xpath.c_str(), &set);
    pugi::xpath_node_set nodes = query.evaluate_node_set(nodeOf(node_));
    nodes.sort();
    for (const pugi::xpath_node& found : nodes)
      if (found.node().type() == pugi::node_element)
        selected.push_back(XmlElement(found.node().internal_object()));
  } catch (const std::exception&) {
    selected.clear();
  }
  return selected;
}

XmlElement XmlElement::selectSingleNode(const std::string& xpath,
                                        const XmlQueryVariables& variables) const {
  std::vector<XmlElement> selected = selectNodes(xpath, variables);
  return selected.empty() ? XmlElement() : selected.front();
}

// ---- XmlDocument

struct XmlDocument::State {
  pugi::xml_document document;
  XmlParseError error;
  xml::FileEncoding encoding = xml::FileEncoding::Utf8;

  bool fail(uint32_t code, int line, std::string reason) {
    document.reset();
    error = XmlParseError{code, line, std::move(reason)};
    return false;
  }

  bool parse(const std::string& text, xml::FileEncoding fileEncoding) {
    document.reset();
    error = {};
    encoding = fileEncoding;
    pugi::xml_parse_result result;
    try {
      result = document.load_buffer(text.data(), text.size(), kParseOptions, pugi::encoding_utf8);
    } catch (const std::bad_alloc&) {
      return fail(kXmlOutOfMemory, 0, "Not enough memory to load the document.");
    }
    if (result.status == pugi::status_no_document_element)
      return fail(kXmlNoTopLevelElement, lineAt(text, result.offset),
                  "XML document must have a top level element.");
    if (result.status == pugi::status_out_of_memory)
      return fail(kXmlOutOfMemory, 0, "Not enough memory to load the document.");
    if (!result) return fail(kXmlSyntaxError, lineAt(text, result.offset), result.description());
    // pugixml takes several top-level elements; a well-formed document has one.
    bool seenOne = false;
    for (pugi::xml_node child : document.children()) {
      if (child.type() != pugi::node_element) continue;
      if (seenOne)
        return fail(kXmlSyntaxError, lineAt(text, child.offset_debug()),
                    "Only one top level element is allowed in an XML document.");
      seenOne = true;
    }
    return true;
  }
};

XmlDocument::XmlDocument() : state_(std::make_unique<State>()) {}
XmlDocument::~XmlDocument() = default;
XmlDocument::XmlDocument(XmlDocument&&) noexcept = default;
XmlDocument& XmlDocument::operator=(XmlDocument&&) noexcept = default;

bool XmlDocument::loadFile(const std::string& path) {
  if (!state_) state_ = std::make_unique<State>();
  FileContent content = readFileContent(path);
  if (content.outcome == FileReadOutcome::Missing)
    return state_->fail(kXmlResourceNotFound, 0, "The system cannot locate the object specified.");
  if (content.outcome == FileReadOutcome::Failed)
    return state_->fail(kXmlAccessDenied, 0, "The file cannot be read.");
  xml::FileEncoding encoding = xml::detectFileEncoding(content.bytes);
  return state_->parse(xml::decodeToUtf8(content.bytes, encoding), encoding);
}

bool XmlDocument::loadText(const std::string& text) {
  if (!state_) state_ = std::make_unique<State>();
  // The text is UTF-8 already; its declaration still says how to save it.
  xml::FileEncoding declared = xml::detectFileEncoding(text);
  if (declared != xml::FileEncoding::Latin1) declared = xml::FileEncoding::Utf8;
  return state_->parse(text, declared);
}

const XmlParseError& XmlDocument::parseError() const {
  static const XmlParseError none;
  return state_ ? state_->error : none;
}

XmlElement XmlDocument::root() const {
  if (!state_) return {};
  pugi::xml_node element = state_->document.document_element();
  return element ? XmlElement(element.internal_object()) : XmlElement();
}

std::string XmlDocument::serialize() const {
  if (!state_) return {};
  StringWriter writer;
  try {
    state_->document.save(writer, "\t", kSaveFlags, pugi::encoding_utf8);
  } catch (const std::bad_alloc&) {
    return {};
  }
  return xml::encodeFromUtf8(writer.text, state_->encoding);
}

bool XmlDocument::save(const std::string& path, std::string* reason) const {
  if (!state_ || !root()) {
    if (reason) *reason = "There is no document to save.";
    return false;
  }
  std::string bytes = serialize();
  if (bytes.empty()) {
    if (reason) *reason = "The document could not be written out.";
    return false;
  }
  return replaceFileContent(path, bytes, reason);
}

}  // namespace platform
