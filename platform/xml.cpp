#include "platform/xml.h"

#include <tinyxml.h>

#include <cstdlib>
#include <cstring>

#include "platform/log.h"
#include "platform/readfile.h"

struct TXmlBuilder {
  static void Build(TXmlNode& node, const TiXmlElement* element) {
    node.name_ = element->Value();
    for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next())
      node.attributes_.emplace_back(TString(a->Name()), TString(a->Value()));
    for (const TiXmlNode* c = element->FirstChild(); c; c = c->NextSibling()) {
      if (const TiXmlElement* e = c->ToElement()) {
        auto child = std::make_unique<TXmlNode>();
        Build(*child, e);
        node.allText_ += child->allText_;
        node.children_.push_back(std::move(child));
      } else if (const TiXmlText* t = c->ToText()) {
        node.text_ += t->Value();
        node.allText_ += t->Value();
      }
    }
  }
};

void TXmlNode::Clear() {
  name_ = TString();
  text_ = TString();
  allText_ = TString();
  attributes_.clear();
  children_.clear();
  cursor_ = 0;
}

bool TXmlNode::LoadFile(const TString& path, bool quietWhenMissing) {
  Clear();
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, bytes)) {
    if (!quietWhenMissing) TraceOut("XML: cannot read %s", path.c_str());
    return false;
  }
  if (IsZxml(bytes.data(), bytes.size())) {
    std::vector<uint8_t> inflated;
    TString why;
    if (!InflateZxml(bytes.data(), bytes.size(), inflated, &why)) {
      TraceOut("XML: packed file %s refused: %s", path.c_str(), why.c_str());
      return false;
    }
    bytes.swap(inflated);
  }
  return LoadText(std::string(bytes.begin(), bytes.end()), path);
}

bool TXmlNode::LoadText(const std::string& text, const TString& description) {
  Clear();
  TiXmlDocument doc;
  if (!ParseXmlDocument(doc, text, description)) return false;
  const TiXmlElement* root = doc.RootElement();
  if (!root) {
    TraceOut("XML: %s has no root element", description.c_str());
    return false;
  }
  TXmlBuilder::Build(*this, root);
  return true;
}

namespace {
// Index of the first occurrence of `what` at or after `from`, or `size`.
size_t FindFrom(const char* text, size_t size, size_t from, const char* what) {
  const size_t n = std::strlen(what);
  for (size_t i = from; i + n <= size; ++i)
    if (std::memcmp(text + i, what, n) == 0) return i;
  return size;
}
}  // namespace

int XmlNestingDepth(const char* text, size_t size, int limit) {
  int depth = 0, deepest = 0;
  size_t i = 0;
  while (i < size) {
    if (text[i] != '<') {
      ++i;
      continue;
    }
    if (i + 3 < size && std::memcmp(text + i, "<!--", 4) == 0) {
      i = FindFrom(text, size, i + 4, "-->") + 3;
    } else if (i + 8 < size && std::memcmp(text + i, "<![CDATA[", 9) == 0) {
      i = FindFrom(text, size, i + 9, "]]>") + 3;
    } else if (i + 1 < size && (text[i + 1] == '?' || text[i + 1] == '!')) {
      // A declaration; a document type may carry an internal subset in brackets.
      size_t j = i + 2;
      while (j < size && text[j] != '>' && text[j] != '[') ++j;
      if (j < size && text[j] == '[') j = FindFrom(text, size, j, "]");
      i = FindFrom(text, size, j, ">") + 1;
    } else if (i + 1 < size && text[i + 1] == '/') {
      if (depth > 0) --depth;
      i = FindFrom(text, size, i, ">") + 1;
    } else {
      // A start tag: find its end outside quoted attribute values.
      size_t j = i + 1;
      char quote = 0;
      for (; j < size; ++j) {
        if (quote) {
          if (text[j] == quote) quote = 0;
        } else if (text[j] == '"' || text[j] == '\'') {
          quote = text[j];
        } else if (text[j] == '>') {
          break;
        }
      }
      if (j >= size) break;
      // An empty element ("<e/>") is a level too, without staying open.
      const int level = depth + 1;
      if (text[j - 1] != '/') depth = level;
      if (level > deepest) deepest = level;
      if (deepest > limit) return deepest;
      i = j + 1;
    }
  }
  return deepest;
}

bool ParseXmlDocument(TiXmlDocument& doc, const std::string& text, const TString& description) {
  doc.Clear();
  if (XmlNestingDepth(text.data(), text.size()) > kMaxXmlDepth) {
    TraceOut("XML: %s is refused: elements nested deeper than %d levels", description.c_str(), kMaxXmlDepth);
    return false;
  }
  // Keep blanks inside texts as written ("Hello " + name); restored for other readers.
  const bool condense = TiXmlBase::IsWhiteSpaceCondensed();
  TiXmlBase::SetCondenseWhiteSpace(false);
  // TinyXML steps over a whole UTF-8 sequence by its lead byte, so a damaged
  // sequence at the end can step past the terminator: a few more zero bytes
  // keep every such step inside the buffer.
  std::string padded = text;
  padded.append(8, '\0');
  doc.Parse(padded.c_str(), nullptr, TIXML_ENCODING_UTF8);
  TiXmlBase::SetCondenseWhiteSpace(condense);
  if (doc.Error()) {
    TraceOut("XML: %s is damaged: %s (line %d, column %d)", description.c_str(), doc.ErrorDesc(), doc.ErrorRow(),
             doc.ErrorCol());
    doc.Clear();
    return false;
  }
  return true;
}

TXmlNode* TXmlNode::FindChild(const TString& name) const {
  for (const auto& c : children_)
    if (c->name_ == name) return c.get();
  return nullptr;
}

bool TXmlNode::NextChild(TString& name, TXmlNode*& node) {
  if (cursor_ >= children_.size()) return false;
  node = children_[cursor_++].get();
  name = node->name_;
  return true;
}

TString TXmlNode::GetAttribute(const TString& name, const char* defaultValue) const {
  for (const auto& a : attributes_)
    if (a.first == name) return a.second;
  return TString(defaultValue ? defaultValue : "");
}

bool TXmlNode::HasAttribute(const TString& name) const {
  for (const auto& a : attributes_)
    if (a.first == name) return true;
  return false;
}

int TXmlNode::GetIntAttribute(const TString& name, int defaultValue) const {
  return HasAttribute(name) ? GetAttribute(name).ToInt() : defaultValue;
}

float TXmlNode::GetFloatAttribute(const TString& name, float defaultValue) const {
  return HasAttribute(name) ? static_cast<float>(GetAttribute(name).ToDouble()) : defaultValue;
}
