#include <gtest/gtest.h>

#include <algorithm>
#include <list>
#include <utility>
#include <vector>

#include <tinyxml.h>

#include "platform/log.h"
#include "platform/prefs.h"
#include "platform/settings.h"
#include "platform/readfile.h"
#include "platform/stringtable.h"
#include "platform/xml.h"
#include "tests/support/testsupport.h"

namespace {
const char* kWorkbook = R"(<?xml version="1.0"?>
<Workbook xmlns="urn:schemas-microsoft-com:office:spreadsheet"
          xmlns:ss="urn:schemas-microsoft-com:office:spreadsheet">
 <Worksheet ss:Name="Texts">
  <Table>
   <Row><Cell><Data ss:Type="String">windowtitle</Data></Cell><Cell><Data ss:Type="String">The Game</Data></Cell></Row>
   <Row><Cell><Data>greeting</Data></Cell><Cell><Data>Hello %1, you have %2 coins (100%%)</Data></Cell></Row>
   <Row><Cell ss:Index="2"><Data>no label</Data></Cell></Row>
   <Row><Cell><Data>skipped</Data></Cell><Cell ss:Index="3"><Data>third column</Data></Cell></Row>
   <Row><Cell><Data>rich</Data></Cell><Cell><ss:Data><Font>Bold</Font> text</ss:Data></Cell></Row>
   <Row><Cell><Data>FLASH_intro</Data></Cell><Cell><Data>x</Data></Cell></Row>
   <Row><Cell><Data>flash01_02</Data></Cell><Cell><Data>y</Data></Cell></Row>
   <Row><Cell><Data>flash1_2</Data></Cell><Cell><Data>z</Data></Cell></Row>
  </Table>
 </Worksheet>
 <Worksheet ss:Name="Other"><Table><Row><Cell><Data>greeting</Data></Cell><Cell><Data>ignored</Data></Cell></Row></Table></Worksheet>
</Workbook>)";

TEST(StringTable, SubstitutionsIndexCellsAndMissingLabels) {
  testing_support::TempDir dir;
  TStringTable table;
  ASSERT_TRUE(table.Load(dir.Write("strings.xml", kWorkbook).c_str()));
  EXPECT_EQ(table.GetString("windowtitle"), "The Game");
  EXPECT_EQ(table.GetString("greeting", "Ann", "12"), "Hello Ann, you have 12 coins (100%)");
  EXPECT_EQ(table.GetString("skipped"), "");  // its text sits in column 3
  EXPECT_FALSE(table.Has("no label"));
  EXPECT_EQ(table.GetString("rich"), "Bold text");

  TLogCapture log;
  EXPECT_EQ(table.GetString("nosuchlabel"), "nosuchlabel");
  EXPECT_EQ(table.GetString("nosuchlabel"), "nosuchlabel");
  EXPECT_EQ(log.Count("nosuchlabel"), 1u);

  std::list<TString> flash;
  table.GetFlashStrings(flash);
  EXPECT_EQ(flash, (std::list<TString>{"FLASH_intro", "flash01_02"}));
}

TEST(StringTable, PackedFileReadsLikePlainXml) {
  testing_support::TempDir dir;
  std::string text = kWorkbook;
  auto packed = DeflateZxml(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  TStringTable table;
  ASSERT_TRUE(table.Load(dir.Write("strings.xml", packed).c_str()));
  EXPECT_EQ(table.GetString("windowtitle"), "The Game");
}

TEST(Xml, WalksChildrenAndAttributes) {
  TXmlNode root;
  ASSERT_TRUE(root.LoadText("<root a=\"1\"><x n=\"first\"/><y/><x n=\"second\">t</x></root>", "inline"));
  EXPECT_EQ(root.GetName(), "root");
  EXPECT_EQ(root.GetAttribute("a"), "1");
  EXPECT_EQ(root.GetAttribute("missing"), "");
  EXPECT_EQ(root.GetAttribute("missing", "d"), "d");
  ASSERT_NE(root.FindChild("x"), nullptr);
  EXPECT_EQ(root.FindChild("x")->GetAttribute("n"), "first");
  EXPECT_EQ(root.FindChild("z"), nullptr);
  std::vector<std::string> names;
  TString name;
  TXmlNode* child;
  root.BeginChildren();
  while (root.NextChild(name, child)) names.push_back(name.str());
  EXPECT_EQ(names, (std::vector<std::string>{"x", "y", "x"}));
}

TEST(Xml, MalformedInputGivesALogLineAndAnEmptyTree) {
  testing_support::TempDir dir;
  const char* bad[] = {"", "<root>", "<a><b></a>", "not xml at all", "<a x=\"1></a>", "\xEF\xBB\xBF<"};
  for (const char* text : bad) {
    TLogCapture log;
    TXmlNode node;
    EXPECT_FALSE(node.LoadFile(dir.Write("bad.xml", text).c_str())) << text;
    EXPECT_EQ(node.ChildCount(), 0u);
    EXPECT_EQ(node.GetName(), "");
    EXPECT_EQ(log.Lines().size(), 1u) << text;
  }
}

TEST(Xml, PackedFilesAreInflatedAndLiesRefused) {
  testing_support::TempDir dir;
  std::string text = "<root><c/></root>";
  auto packed = DeflateZxml(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  TXmlNode node;
  ASSERT_TRUE(node.LoadFile(dir.Write("p.xml", packed).c_str()));
  EXPECT_NE(node.FindChild("c"), nullptr);

  auto lying = packed;
  lying[4] = static_cast<uint8_t>(lying[4] + 1);  // claims one byte more
  TLogCapture log;
  EXPECT_FALSE(node.LoadFile(dir.Write("l.xml", lying).c_str()));
  EXPECT_TRUE(log.Contains("refused"));

  auto huge = packed;
  huge[7] = 0x7F;  // claims about 2 GB
  EXPECT_FALSE(node.LoadFile(dir.Write("h.xml", huge).c_str()));
  std::vector<uint8_t> truncated(packed.begin(), packed.begin() + 10);
  EXPECT_FALSE(node.LoadFile(dir.Write("t.xml", truncated).c_str()));
}
}  // namespace

namespace {
std::string Nested(int depth, const std::string& inner = "") {
  std::string text;
  for (int i = 0; i < depth; ++i) text += "<a x=\"/>\">";
  text += inner;
  for (int i = 0; i < depth; ++i) text += "</a>";
  return text;
}
}  // namespace

TEST(Xml, NestingIsCountedPastCommentsDeclarationsAndQuotes) {
  const std::string doc = "<?xml version=\"1.0\"?><!DOCTYPE r><!-- <x><y> -->"
                          "<r><![CDATA[<p><q>]]><e/><f k='>'><g></g></f></r>";
  EXPECT_EQ(XmlNestingDepth(doc.data(), doc.size()), 3);
  // The parser ends a document type at its first '>': an internal subset ends the document there.
  EXPECT_EQ(XmlNestingDepth("<!DOCTYPE r [<!ELEMENT r ANY>]><r><a/></r>", 41), 0);
  EXPECT_EQ(XmlNestingDepth("<r><e/></r>", 11), 2);  // an empty element is a level
  const std::string deep = Nested(kMaxXmlDepth + 50);
  EXPECT_EQ(XmlNestingDepth(deep.data(), deep.size()), kMaxXmlDepth + 1);  // stops counting past the limit
}

TEST(Xml, DocumentsNestedPastTheLimitAreRefusedBeforeParsing) {
  TXmlNode node;
  EXPECT_TRUE(node.LoadText(Nested(kMaxXmlDepth - 1, "<b/>"), "at the limit"));
  EXPECT_EQ(node.GetName(), "a");
  for (std::string text : {Nested(kMaxXmlDepth, "<b/>"), Nested(kMaxXmlDepth + 1), Nested(200000)}) {  // 200,000 levels once crashed the parser
    TLogCapture log;
    TXmlNode refused;
    EXPECT_FALSE(refused.LoadText(text, "deep.xml"));
    EXPECT_EQ(refused.ChildCount(), 0u);
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_NE(log.Lines()[0].find("deep.xml is refused: elements nested deeper than 256 levels"), std::string::npos);
  }
}

namespace {
// The deepest element of a document as TinyXML builds it (also the part it
// built before an error): how deep its parser went.
int ParsedDepth(const std::string& text) {
  const bool condense = TiXmlBase::IsWhiteSpaceCondensed();
  TiXmlBase::SetCondenseWhiteSpace(false);
  TiXmlDocument doc;
  std::string padded = text;
  padded.append(8, '\0');
  doc.Parse(padded.c_str(), nullptr, TIXML_ENCODING_UTF8);
  TiXmlBase::SetCondenseWhiteSpace(condense);
  int deepest = 0;
  std::vector<std::pair<const TiXmlNode*, int>> stack = {{&doc, 0}};
  while (!stack.empty()) {
    auto [node, depth] = stack.back();
    stack.pop_back();
    deepest = std::max(deepest, depth);
    for (const TiXmlNode* c = node->FirstChild(); c; c = c->NextSibling())
      if (c->ToElement()) stack.push_back({c, depth + 1});
  }
  return deepest;
}

}  // namespace

using namespace std::string_literals;

TEST(Xml, NestingIsCountedExactlyAsTheParserReadsTheText) {
  // Places where a reader with rules of its own loses step with the parser.
  const std::vector<std::string> docs = {
      "<!DOCTYPE [<a><a><a>]>",                              // a document type ends at its first '>'
      "<?pi [<a><a> ]?><r/>",                                // so does any other '<?...'
      "<r><a x=\"\xC3\" '\"><b><b></b></b></a></r>",     // a UTF-8 lead byte takes the quote with it
      "<r>&#x<a q='x1;<b><b></b></b></r>",                   // a numeric entity runs to the next ';'
      "<r>&#<a q='#1;<b><b></b></b></r>",
      "<?xml version=\"> <a x='\"?><r><a><a></a></a></r>",  // a declaration's value is quoted
      "<r><a>\xF0\0<b><b></b></b></a></r>"s,                 // a lead byte steps over a zero byte
      "<r>< a><b></b></r>", "<r><\xC3\xA9><b/></\xC3\xA9></r>", "<r\xEF\xBB\xBF><b/></r>",
      "<r a='1'\xEF\xBB\xBF b='2'><b/></r>", "<?XmL version='1'?><r><b/></r>", "<r/>zz<r><a></a></r>",
      "<r/><s><a><b/></a></s>", "<r a=b><c/></r>", "<r a=b\"c><d/></r>", "<r><c / ></r>",
      "<r><!-- <a> --><b/></r>", "<r><![CDATA[<a>]]><b/></r>", "<r>&amp;&lt;<b><c/></b></r>",
      "<r><a></b></r>", "<ab><a><c/></ab>", "<r><b></b  ><c><d/></c></r>",
      "<?xml version='1.0' encoding='x>'?><r><a/></r>", "<r><\x7F><b/></\x7F></r>",
      "<r><_a><b/></_a></r>", "<r><a x='&#xZ;'><b/></a></r>", "<r><!><a><b/></a></r>"};
  for (const std::string& doc : docs)
    EXPECT_EQ(XmlNestingDepth(doc.data(), doc.size()), ParsedDepth(doc)) << doc;
}

TEST(Xml, ElementsHiddenFromASimplerReaderAreStillRefused) {
  std::string deep;
  for (int i = 0; i < kMaxXmlDepth + 20; ++i) deep += "<a>";
  for (int i = 0; i < kMaxXmlDepth + 20; ++i) deep += "</a>";
  const std::vector<std::string> docs = {
      "<!DOCTYPE [" + deep + "]>",
      "<r><a x=\"\xC3\" '\">" + deep + "'></a></r>",
      "<r>&#x<a q='x1;" + deep + "'></r>",
      "<?xml version=\"> <a x='\"?><r>" + deep + "'></r>",
      "<r>\xF0\0<a x='"s + deep + "'></r>"};
  for (const std::string& doc : docs) {
    ASSERT_GT(ParsedDepth(doc), kMaxXmlDepth) << doc.substr(0, 20);  // the parser does go that deep
    TLogCapture log;
    TXmlNode node;
    EXPECT_FALSE(node.LoadText(doc, "hidden.xml")) << doc.substr(0, 20);
    EXPECT_TRUE(log.Contains("hidden.xml is refused: elements nested deeper than 256 levels")) << doc.substr(0, 20);
  }
}

TEST(Xml, EveryReaderOfXmlRefusesADeepDocument) {
  testing_support::TempDir dir;
  std::string deep;
  for (int i = 0; i < 20000; ++i) deep += "<a>";
  auto packed = [](const std::string& text) {
    auto bytes = DeflateZxml(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    return std::string(bytes.begin(), bytes.end());
  };
  const std::string refused = "is refused: elements nested deeper than 256 levels";
  {
    // Settings, plain and packed: nothing of the file is taken.
    ClearSettings();
    for (const std::string& file : {dir.Write("settings.xml", "<settings><setting name='a' value='1'/>" + deep),
                                    dir.Write("packed.xml", packed("<settings><setting name='a' value='1'/>" + deep))}) {
      TLogCapture log;
      EXPECT_FALSE(LoadSettingsFile(file.c_str()));
      EXPECT_TRUE(log.Contains(file + " " + refused)) << file;
      EXPECT_FALSE(HasSetting("a"));
    }
  }
  {
    TLogCapture log;
    TStringTable table;
    EXPECT_FALSE(table.Load(dir.Write("strings.xml", "<Workbook><Worksheet><Table>" + deep).c_str()));
    EXPECT_TRUE(log.Contains(refused));
  }
  {
    TLogCapture log;
    TPrefsData prefs;
    TString why;
    EXPECT_FALSE(ParsePrefsXml("<prefs>" + deep, prefs, &why));
    EXPECT_TRUE(log.Contains("preferences (XML) " + refused));
  }
}
