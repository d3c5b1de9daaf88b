#include <platform/xml_document.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>

#include "platform_test_env.h"

namespace platform_test {
namespace {

using platform::XmlDocument;
using platform::XmlElement;

class XmlDocumentTest : public PlatformTest {};

// While it lives, no file of this process may grow past the limit, as on a
// full disk: a write beyond it fails (EFBIG) instead of raising SIGXFSZ.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited{bytes, old_.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit old_{};
  void (*oldHandler_)(int) = nullptr;
};

std::vector<std::string> namesOf(const std::vector<XmlElement>& elements) {
  std::vector<std::string> names;
  for (const auto& e : elements) names.push_back(e.name() + (e.attribute("id") ? "#" + *e.attribute("id") : ""));
  return names;
}

std::vector<std::string> filesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(XmlText, OnlyTextThatReadsBackAsItIsCanBeStored) {
  const std::pair<std::string, bool> cases[] = {
      {"", true},
      {"/opt/kestrix/kestrix-module", true},
      {"tab\tand\nline feed", true},
      {"\u0142ukasz \u00fc \u20ac \U0001F6E9", true},
      {"\xC0\xBC", false},          // an overlong '<'
      {"J\xFCrgen", false},          // Latin-1, not UTF-8
      {"\xE2\x82", false},          // cut short
      {"\xED\xA0\x80", false},      // a surrogate
      {"\xF4\x90\x80\x80", false},  // beyond Unicode
      {"\xEF\xBF\xBE", false},      // U+FFFE
      {"a\x01b", false},
      {"a\rb", false},
      {std::string("a\0b", 3), false},
  };
  for (const auto& [text, stored] : cases) EXPECT_EQ(platform::isXmlText(text), stored) << text;

  XmlDocument document;
  ASSERT_TRUE(document.loadText("<a><b>kept</b></a>"));
  XmlElement b = document.root().childElements().at(0);
  EXPECT_FALSE(b.setText("\xC0\xBC"));
  EXPECT_EQ(b.text(), "kept");
  EXPECT_TRUE(b.setText("new"));
  EXPECT_EQ(b.text(), "new");
}

TEST_F(XmlDocumentTest, ParseErrorsTellCodeLineAndReason) {
  struct Case {
    const char* what;
    std::string text;
    uint32_t code;
    int line;
    const char* reason;  // a part of it
  };
  const Case cases[] = {
      {"empty", "", platform::kXmlNoTopLevelElement, 1, "must have a top level element"},
      {"only a declaration and a comment", "<?xml version=\"1.0\"?>\n<!-- nothing -->\n",
       platform::kXmlNoTopLevelElement, 3, "must have a top level element"},
      {"end tag of another element", "<a>\n<b>\n</c></a>", platform::kXmlSyntaxError, 3, "mismatch"},
      {"attribute without quotes", "<a>\n\n\n<b x=1/></a>", platform::kXmlSyntaxError, 4, "attribute"},
      {"two top-level elements", "<a/>\n\n<b/>\n", platform::kXmlSyntaxError, 3,
       "Only one top level element"},
      {"CR LF lines", "<a>\r\n<b>\r\n</a>", platform::kXmlSyntaxError, 3, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    XmlDocument document;
    EXPECT_FALSE(document.loadText(c.text));
    EXPECT_EQ(document.parseError().code, c.code);
    EXPECT_EQ(document.parseError().line, c.line);
    EXPECT_NE(document.parseError().reason.find(c.reason), std::string::npos) << document.parseError().reason;
    EXPECT_FALSE(document.root());
  }
}

TEST_F(XmlDocumentTest, TheLineOfAnErrorCountsLinesNotBytes) {
  // Every non-ASCII Latin-1 byte becomes two bytes inside; the line stays.
  writeFile(path("latin.xml"),
            "<?xml version=\"1.0\" encoding=\"Windows-1252\"?>\n<a>\xe9\xe9\xe9\xe9\n\xe9\xe9<b>\n"
            "\xe9</c></a>\n");
  XmlDocument document;
  EXPECT_FALSE(document.loadFile(path("latin.xml")));
  EXPECT_EQ(document.parseError().line, 4);
}

TEST_F(XmlDocumentTest, FilesThatCannotBeReadHaveTheirOwnCodes) {
  XmlDocument document;
  ASSERT_TRUE(document.loadText("<kept/>"));
  EXPECT_FALSE(document.loadFile(path("absent.xml")));
  EXPECT_EQ(document.parseError().code, platform::kXmlResourceNotFound);
  EXPECT_EQ(document.parseError().code, 0x800C0005u);
  EXPECT_FALSE(document.root()) << "a failed load leaves an empty document";
  EXPECT_FALSE(document.loadFile(path("absent/folder/absent.xml")));
  EXPECT_EQ(document.parseError().code, platform::kXmlResourceNotFound);

  std::filesystem::create_directories(path("folder.xml"));
  EXPECT_FALSE(document.loadFile(path("folder.xml")));
  EXPECT_EQ(document.parseError().code, platform::kXmlAccessDenied) << "exists, so it is not missing";

  writeFile(path("good.xml"), "<good/>");
  ASSERT_TRUE(document.loadFile(path("good.xml")));
  EXPECT_EQ(document.parseError().code, 0u);
  EXPECT_EQ(document.root().name(), "good");
}

constexpr char kTree[] =
    "<Config>\n"
    "  <Group id=\"1\"><Item id=\"a\">first</Item><Item id=\"b\"><![CDATA[se]]>cond</Item></Group>\n"
    "  <Item id=\"c\">third<Sub>!</Sub></Item>\n"
    "  <Group id=\"2\"><Item id=\"d\">fourth</Item></Group>\n"
    "</Config>\n";

TEST_F(XmlDocumentTest, QueriesSelectElementsInDocumentOrder) {
  XmlDocument document;
  ASSERT_TRUE(document.loadText(kTree));
  XmlElement root = document.root();
  struct Case {
    const char* xpath;
    std::vector<std::string> selected;
  };
  const Case cases[] = {
      {"//Item", {"Item#a", "Item#b", "Item#c", "Item#d"}},
      {"Group/Item", {"Item#a", "Item#b", "Item#d"}},
      {"Group[@id='2']/Item | Item | Group[1]", {"Group#1", "Item#c", "Item#d"}},
      {"/Config/Group[2]", {"Group#2"}},
      {"Item[. = 'third!']", {"Item#c"}},
      {"//Item/@id", {}},          // attributes are no elements
      {"count(//Item)", {}},       // no node set
      {"Group[", {}},              // does not compile
      {"Missing", {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(namesOf(root.selectNodes(c.xpath)), c.selected) << c.xpath;
    XmlElement first = root.selectSingleNode(c.xpath);
    EXPECT_EQ(first ? namesOf({first}) : std::vector<std::string>{},
              c.selected.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.selected[0]})
        << c.xpath;
  }
  // Queries run from any element, and absolute ones from the document.
  XmlElement group = root.selectSingleNode("Group[2]");
  EXPECT_EQ(namesOf(group.selectNodes("Item")), std::vector<std::string>{"Item#d"});
  EXPECT_EQ(namesOf(group.selectNodes("/Config/Item")), std::vector<std::string>{"Item#c"});
}

TEST_F(XmlDocumentTest, VariablesCarryOutsideTextIntoAQueryUnchanged) {
  XmlDocument document;
  ASSERT_TRUE(document.loadText("<r><e><Name>say \"hi\"</Name></e><e><Name>it's</Name></e></r>"));
  for (const char* name : {"say \"hi\"", "it's"}) {
    XmlElement found = document.root().selectSingleNode("e[Name = $name]", {{"name", name}});
    ASSERT_TRUE(found) << name;
    EXPECT_EQ(found.text(), name);
  }
  EXPECT_FALSE(document.root().selectSingleNode("e[Name = $name]", {{"name", "\"] | //*[\""}}));
}

TEST_F(XmlDocumentTest, ElementsAreReadCreatedAndRemoved) {
  XmlDocument document;
  ASSERT_TRUE(document.loadText(kTree));
  XmlElement root = document.root();
  XmlElement second = root.selectSingleNode("//Item[@id='b']");
  EXPECT_EQ(second.text(), "second") << "text and CDATA together";
  EXPECT_EQ(root.selectSingleNode("Item").text(), "third!") << "with the text of elements below";
  EXPECT_EQ(second.attribute("id"), std::optional<std::string>("b"));
  EXPECT_EQ(second.attribute("none"), std::nullopt);
  EXPECT_EQ(second.parent(), root.selectSingleNode("Group[1]"));
  EXPECT_FALSE(root.parent()) << "the document is no element";

  XmlElement added = root.appendElement("Launch.Addon");
  added.appendElement("Name").setText("a < b & c");
  added.appendElement("CommandLine").setText("");
  added.setAttribute("kind", "x\"y");
  EXPECT_EQ(root.childElements().back(), added);
  EXPECT_EQ(added.selectSingleNode("Name").text(), "a < b & c");

  EXPECT_FALSE(added.removeChild(second)) << "not a child of it";
  EXPECT_TRUE(second.parent().removeChild(second));
  EXPECT_EQ(namesOf(root.selectNodes("//Item")), (std::vector<std::string>{"Item#a", "Item#c", "Item#d"}));

  EXPECT_EQ(document.serialize(),
            "<Config>\n"
            "\t<Group id=\"1\">\n"
            "\t\t<Item id=\"a\">first</Item>\n"
            "\t</Group>\n"
            // Blank-only text is layout, which a load drops again.
            "\t<Item id=\"c\">third<Sub>!</Sub>\n"
            "\t</Item>\n"
            "\t<Group id=\"2\">\n"
            "\t\t<Item id=\"d\">fourth</Item>\n"
            "\t</Group>\n"
            "\t<Launch.Addon kind=\"x&quot;y\">\n"
            "\t\t<Name>a &lt; b &amp; c</Name>\n"
            "\t\t<CommandLine></CommandLine>\n"
            "\t</Launch.Addon>\n"
            "</Config>\n");
  XmlDocument again;
  ASSERT_TRUE(again.loadText(document.serialize()));
  EXPECT_EQ(again.root().selectSingleNode("Item").text(), "third!");
}

TEST_F(XmlDocumentTest, ALatin1FileKeepsEveryByteThroughLoadAndSave) {
  const std::string bytes =
      "<?xml version=\"1.0\" encoding=\"Windows-1252\"?>\n"
      "<!-- caf\xe9 -->\n"
      "<r a=\"\xe9\">\n"
      "\t<t>caf\xe9 \x80\x9f \xff</t>\n"
      "</r>\n";
  writeFile(path("launch.xml"), bytes);
  XmlDocument document;
  ASSERT_TRUE(document.loadFile(path("launch.xml")));
  EXPECT_EQ(document.root().selectSingleNode("t").text(), "caf\u00e9 \u0080\u009f \u00ff");
  ASSERT_TRUE(document.save(path("copy.xml")));
  EXPECT_EQ(readFile(path("copy.xml")), bytes);

  // What Latin-1 cannot hold is saved as a reference and reads back whole.
  document.root().appendElement("Path").setText("/home/\u0142ukasz/\u00e9");
  ASSERT_TRUE(document.save(path("copy.xml")));
  EXPECT_NE(readFile(path("copy.xml")).find("<Path>/home/&#x142;ukasz/\xe9</Path>"), std::string::npos);
  XmlDocument again;
  ASSERT_TRUE(again.loadFile(path("copy.xml")));
  EXPECT_EQ(again.root().selectSingleNode("Path").text(), "/home/\u0142ukasz/\u00e9");
}

TEST_F(XmlDocumentTest, EveryDocumentIsSavedInTheEncodingItCameIn) {
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"UTF-8, declared", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<r>\xc5\x82\xc3\xa9</r>\n"},
      {"UTF-8, undeclared", "<r>\xc5\x82\xc3\xa9</r>\n"},
      {"UTF-16 little-endian",
       std::string("\xff\xfe<\0r\0>\0B\x01\xe9\0<\0/\0r\0>\0\n\0", 22)},
      {"UTF-16 big-endian", std::string("\xfe\xff\0<\0r\0>\x01\x42\0\xe9\0<\0/\0r\0>\0\n", 22)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    writeFile(path("doc.xml"), c.bytes);
    XmlDocument document;
    ASSERT_TRUE(document.loadFile(path("doc.xml")));
    EXPECT_EQ(document.root().text(), "\u0142\u00e9");
    ASSERT_TRUE(document.save(path("doc.xml")));
    EXPECT_EQ(readFile(path("doc.xml")), c.bytes);
  }
  // A text's declaration decides the file's encoding too.
  XmlDocument declared;
  ASSERT_TRUE(declared.loadText("<?xml version=\"1.0\" encoding=\"Windows-1252\"?><r>\u00e9</r>"));
  EXPECT_EQ(declared.serialize(), "<?xml version=\"1.0\" encoding=\"Windows-1252\"?>\n<r>\xe9</r>\n");
}

// A UTF-16 file can hold code units no XML character is: a lone surrogate,
// U+FFFE, U+FFFF (inside a comment a lenient reader lets them pass). They
// come back as the replacement character, never as a character that makes
// the saved file unreadable.
TEST_F(XmlDocumentTest, UnitsOfAUtf16FileThatAreNoXmlCharactersComeBackReplaced) {
  // <r><!--[D800][FFFF][FFFE]x--></r> in UTF-16 little-endian, with its mark.
  const std::u16string text = u"<r><!--\xD800\xFFFF\xFFFEx--></r>";
  std::string bytes = "\xff\xfe";
  for (char16_t unit : text) bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  writeFile(path("doc.xml"), bytes);
  XmlDocument document;
  ASSERT_TRUE(document.loadFile(path("doc.xml")));
  document.root().appendElement("Added");
  ASSERT_TRUE(document.save(path("doc.xml")));
  const std::string saved = readFile(path("doc.xml"));
  std::u16string units;
  for (size_t i = 2; i + 1 < saved.size(); i += 2)
    units += static_cast<char16_t>(static_cast<uint8_t>(saved[i]) | static_cast<uint8_t>(saved[i + 1]) << 8);
  EXPECT_EQ(units.find(u'\xFFFF'), std::u16string::npos);
  EXPECT_EQ(units.find(u'\xFFFE'), std::u16string::npos);
  EXPECT_NE(units.find(u"<!--\xFFFD\xFFFD\xFFFDx-->"), std::u16string::npos) << "three replacements";
  XmlDocument again;
  EXPECT_TRUE(again.loadFile(path("doc.xml")));
}

TEST_F(XmlDocumentTest, AFailedSaveLeavesTheOldFileWholeAndNoTemporaryFile) {
  const std::string old = "<r>" + std::string(600, 'o') + "</r>";
  writeFile(path("doc.xml"), old);
  XmlDocument document;
  ASSERT_TRUE(document.loadFile(path("doc.xml")));
  document.root().appendElement("More").setText(std::string(600, 'm'));
  {
    FileSizeLimit diskFull(1024);  // the new document needs more
    EXPECT_FALSE(document.save(path("doc.xml")));
  }
  EXPECT_EQ(readFile(path("doc.xml")), old);
  EXPECT_EQ(filesIn(folder()), std::vector<std::string>{"doc.xml"});

  EXPECT_FALSE(document.save(path("absent/doc.xml")));
  EXPECT_FALSE(std::filesystem::exists(path("absent")));
  EXPECT_FALSE(XmlDocument().save(path("empty.xml"))) << "an empty document has nothing to save";
  EXPECT_EQ(filesIn(folder()), std::vector<std::string>{"doc.xml"});
}

TEST_F(XmlDocumentTest, ASaveRemovesTheTemporaryFilesOfKilledSavesOfItsFile) {
  // A writer that has ended: a child that exited at once.
  pid_t gone = fork();
  ASSERT_GE(gone, 0);
  if (gone == 0) _exit(0);
  ASSERT_EQ(waitpid(gone, nullptr, 0), gone);
  const std::string dead = std::to_string(gone);
  writeFile(path("EXE.XML"), "<old/>");
  const std::vector<std::string> left = {
      "EXE.XML.tmp" + dead + "-0",  "EXE.XML.tmp" + dead + "-17",  // its writer is gone
      "EXE.XML.tmp1-0",                                            // its writer runs
      "OTHER.XML.tmp" + dead + "-0",                               // another file's
      "EXE.XML.tmp" + dead,  "EXE.XML.tmpx-1",                     // no temporary of ours
  };
  for (const auto& name : left) writeFile(path(name), "<half");
  XmlDocument document;
  ASSERT_TRUE(document.loadText("<new/>"));
  ASSERT_TRUE(document.save(path("EXE.XML")));
  std::vector<std::string> kept = {"EXE.XML", "EXE.XML.tmp" + dead, "EXE.XML.tmp1-0", "EXE.XML.tmpx-1",
                                   "OTHER.XML.tmp" + dead + "-0"};
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(filesIn(folder()), kept);
}

TEST_F(XmlDocumentTest, ASaveKeepsTheFilesModeAndWritesThroughALink) {
  writeFile(path("target.xml"), "<old/>");
  chmod(path("target.xml").c_str(), 0640);
  std::filesystem::create_symlink(path("target.xml"), path("link.xml"));
  XmlDocument document;
  ASSERT_TRUE(document.loadText("<new/>"));
  ASSERT_TRUE(document.save(path("link.xml")));
  EXPECT_TRUE(std::filesystem::is_symlink(path("link.xml")));
  EXPECT_EQ(readFile(path("target.xml")), "<new></new>\n");
  struct stat info {};
  ASSERT_EQ(stat(path("target.xml").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
}

}  // namespace
}  // namespace platform_test
