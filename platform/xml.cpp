#include "platform/xml.h"

#include <tinyxml.h>

#include <cctype>
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

// The element nesting TinyXML would reach on the text, found without
// recursion by reading the text exactly as TinyXML's parser does: the same
// steps over UTF-8 sequences (a lead byte takes its continuation bytes with
// it, whatever they are), entities (a numeric one runs to the next ';'),
// quoted and unquoted attribute values, comments, CDATA, declarations and
// unknown tags (which end at the first '>'). A reader that skipped these by
// rules of its own could be led to miss elements the parser then nests.
class TNestingScan {
public:
  TNestingScan(const char* text, size_t size) : text_(text), size_(size) {}

  int Deepest(int limit) {
    size_t p = 0;
    int depth = 0, deepest = 0;
    for (;;) {
      // Between nodes: the document's, or an element's content.
      const size_t withBlanks = p;
      p = SkipWhiteSpace(p);
      if (!At(p)) return deepest;
      if (At(p) != '<') {
        if (depth == 0) return deepest;  // text outside the root ends the parse
        size_t after;
        if (!ReadText(withBlanks, "<", after)) return deepest;
        p = after - 1;  // at the '<'
        continue;
      }
      if (depth > 0 && Starts(p, "</")) {
        // The end tag: its name, blanks and '>' (a wrong one ends the parse).
        size_t q = p + 2;
        while (At(q) && At(q) != '>') ++q;
        if (!At(q)) return deepest;
        p = q + 1;
        --depth;
        continue;
      }
      bool ok = true, opened = false;
      if (StartsNoCase(p, "<?xml")) {
        ok = Declaration(p);
      } else if (Starts(p, "<!--")) {
        p += 4;
        while (At(p) && !Starts(p, "-->")) ++p;
        if (At(p)) p += 3;
      } else if (Starts(p, "<![CDATA[")) {
        p += 9;
        while (At(p) && !Starts(p, "]]>")) ++p;
        ok = ReadText(p, "]]>", p);
      } else if (Starts(p, "<!") || !(IsAlpha(At(p + 1)) || At(p + 1) == '_')) {
        ++p;  // an unknown tag
        while (At(p) && At(p) != '>') ++p;
        if (At(p)) ++p;
      } else {
        // An element: counted as soon as the parser would enter it.
        if (depth + 1 > deepest) deepest = depth + 1;
        if (deepest > limit) return deepest;
        ok = StartTag(p, opened);
        if (opened) ++depth;
      }
      if (!ok) return deepest;
    }
  }

private:
  unsigned char At(size_t i) const { return i < size_ ? static_cast<unsigned char>(text_[i]) : 0; }
  static bool IsAlpha(unsigned char c) { return c >= 127 || std::isalpha(c); }
  static bool IsAlphaNum(unsigned char c) { return c >= 127 || std::isalnum(c); }
  static bool IsSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
  bool Starts(size_t p, const char* tag) const {
    for (; *tag; ++p, ++tag)
      if (At(p) != static_cast<unsigned char>(*tag)) return false;
    return true;
  }
  bool StartsNoCase(size_t p, const char* lowerTag) const {
    for (; *lowerTag; ++p, ++lowerTag)
      if (std::tolower(At(p)) != *lowerTag || At(p) >= 128) return false;
    return true;
  }
  // Blanks, and the byte-order marks the parser steps over with them.
  size_t SkipWhiteSpace(size_t p) const {
    for (;;) {
      if (At(p) == 0xEF && ((At(p + 1) == 0xBB && At(p + 2) == 0xBF) || (At(p + 1) == 0xBF && At(p + 2) == 0xBE) ||
                            (At(p + 1) == 0xBF && At(p + 2) == 0xBF))) {
        p += 3;
      } else if (At(p) && IsSpace(At(p))) {
        ++p;
      } else {
        return p;
      }
    }
  }
  // One character of a text or a quoted value; false where the parser fails.
  bool GetChar(size_t& p) const {
    const unsigned char c = At(p);
    const int length = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 1;
    if (length > 1) {
      p += size_t(length);  // continuation bytes unchecked, even zero ones
      return true;
    }
    if (c != '&') {
      ++p;
      return true;
    }
    if (At(p + 1) == '#' && At(p + 2)) {
      // A numeric entity runs to the next ';'; backwards from there every
      // byte up to the last 'x' (or '#') must be a digit.
      const bool hex = At(p + 2) == 'x';
      if (hex && !At(p + 3)) return false;
      size_t q = p + (hex ? 3 : 2);
      while (At(q) && At(q) != ';') ++q;
      if (!At(q)) return false;
      const size_t end = q;
      for (--q; At(q) != (hex ? 'x' : '#'); --q)
        if (!(hex ? std::isxdigit(At(q)) : std::isdigit(At(q)))) return false;
      p = end + 1;
      return true;
    }
    for (const char* named : {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;"}) {
      if (Starts(p, named)) {
        p += std::strlen(named);
        return true;
      }
    }
    ++p;
    return true;
  }
  // Characters up to `end`; `after` is past it. False at the end of the text
  // (also right after `end`) or on a bad entity.
  bool ReadText(size_t p, const char* end, size_t& after) const {
    while (At(p) && !Starts(p, end))
      if (!GetChar(p)) return false;
    if (!At(p)) return false;
    p += std::strlen(end);
    after = p;
    return At(p) != 0;
  }
  bool Name(size_t& p) const {
    if (!(IsAlpha(At(p)) || At(p) == '_')) return false;
    while (IsAlphaNum(At(p)) || At(p) == '_' || At(p) == '-' || At(p) == '.' || At(p) == ':') ++p;
    return true;
  }
  // name = "value", 'value' or value; false where the parser fails.
  bool Attribute(size_t& p) const {
    p = SkipWhiteSpace(p);
    if (!Name(p) || !At(p)) return false;
    p = SkipWhiteSpace(p);
    if (At(p) != '=') return false;
    p = SkipWhiteSpace(p + 1);
    if (!At(p)) return false;
    if (At(p) == '"' || At(p) == '\'') {
      const char quote[2] = {char(At(p)), 0};
      return ReadText(p + 1, quote, p);
    }
    while (At(p) && !IsSpace(At(p)) && At(p) != '/' && At(p) != '>') {
      if (At(p) == '"' || At(p) == '\'') return false;
      ++p;
    }
    return At(p) != 0;
  }
  bool StartTag(size_t& p, bool& opened) const {
    p = SkipWhiteSpace(p + 1);
    if (!Name(p) || !At(p)) return false;
    for (;;) {
      p = SkipWhiteSpace(p);
      if (!At(p)) return false;
      if (At(p) == '/') {
        if (At(p + 1) != '>') return false;
        p += 2;
        return true;
      }
      if (At(p) == '>') {
        ++p;
        opened = true;
        return true;
      }
      if (!Attribute(p)) return false;
    }
  }
  bool Declaration(size_t& p) const {
    p += 5;
    while (At(p)) {
      if (At(p) == '>') {
        ++p;
        return true;
      }
      p = SkipWhiteSpace(p);
      if (StartsNoCase(p, "version") || StartsNoCase(p, "encoding") || StartsNoCase(p, "standalone")) {
        if (!Attribute(p)) return false;
      } else {
        while (At(p) && At(p) != '>' && !IsSpace(At(p))) ++p;
      }
    }
    return false;
  }

  const char* text_;
  size_t size_;
};

}  // namespace

int XmlNestingDepth(const char* text, size_t size, int limit) { return TNestingScan(text, size).Deepest(limit); }

bool ParseXmlDocument(TiXmlDocument& doc, const std::string& text, const TString& description, bool keepPart) {
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
    if (!keepPart) doc.Clear();
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
