// XML text, or packed XML ("ZXML"), as every reader of XML gets it: the
// nesting count that guards the recursive parser is checked against how deep
// the parser really goes (never less, or a deeper document could get
// through), then the document is read into a tree and walked.
#include <tinyxml.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/readfile.h"
#include "platform/xml.h"

namespace {

// The deepest element TinyXML builds (also before an error), parsed the way
// the readers parse: blanks kept, UTF-8, zero bytes after the text.
int ParsedDepth(const std::string& text) {
  TiXmlBase::SetCondenseWhiteSpace(false);
  TiXmlDocument doc;
  std::string padded = text;
  padded.append(8, '\0');
  doc.Parse(padded.c_str(), nullptr, TIXML_ENCODING_UTF8);
  TiXmlBase::SetCondenseWhiteSpace(true);
  int deepest = 0;
  std::vector<std::pair<const TiXmlNode*, int>> stack = {{&doc, 0}};
  while (!stack.empty()) {
    auto [node, depth] = stack.back();
    stack.pop_back();
    if (depth > deepest) deepest = depth;
    for (const TiXmlNode* c = node->FirstChild(); c; c = c->NextSibling())
      if (c->ToElement()) stack.push_back({c, depth + 1});
  }
  return deepest;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  if (IsZxml(data, size)) {
    std::vector<uint8_t> inflated;
    if (!InflateZxml(data, size, inflated, nullptr, 8u << 20)) return 0;
    text.assign(inflated.begin(), inflated.end());
  }
  const int counted = XmlNestingDepth(text.data(), text.size());
  if (counted <= kMaxXmlDepth && ParsedDepth(text) > counted) std::abort();
  TXmlNode node;
  if (node.LoadText(text, "fuzz")) {
    TString name;
    TXmlNode* child;
    node.BeginChildren();
    while (node.NextChild(name, child)) child->GetAttribute("ss:Index").ToInt();
  }
  return 0;
}
