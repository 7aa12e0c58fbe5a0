// The effect-file reader: a line-based text format, one keyword and its
// values per line, blocks closed by "end" (docs/particles.md).
#include "plugins/particles/effectfile.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace particles {
namespace {

const char kMagic[] = "lantern-particles";

class Parser {
public:
  Parser(EffectFile& out, std::string& error) : out_(out), error_(error) {}

  bool Run(const char* data, size_t size) {
    if (size > kMaxFileBytes) return Fail("the file is larger than 1 MiB");
    out_.folders.assign(1, Folder());
    size_t pos = 0;
    bool sawHeader = false;
    while (pos < size) {
      ++line_;
      size_t end = pos;
      while (end < size && data[end] != '\n') ++end;
      if (end - pos > kMaxLineBytes) return Fail("the line is longer than 1024 bytes");
      std::string text(data + pos, end - pos);
      pos = end + 1;
      if (!Tokenize(text)) return false;
      if (tokens_.empty()) continue;
      if (!sawHeader) {
        if (tokens_[0] != kMagic || tokens_.size() != 2 || tokens_[1] != "1")
          return Fail("the first line must be \"lantern-particles 1\"");
        sawHeader = true;
        continue;
      }
      if (!Line()) return false;
    }
    if (!sawHeader) return Fail("the file is empty");
    if (!stack_.empty()) return Fail("a block is not closed by \"end\"");
    return true;
  }

private:
  enum Block { kFolder, kEmitter, kLayer, kType };
  struct Open {
    Block block;
    int folder;  // kFolder: its index
  };

  bool Fail(const std::string& why) {
    char where[48];
    std::snprintf(where, sizeof(where), "line %d: ", line_);
    error_ = line_ > 0 ? where + why : why;
    return false;
  }

  // Splits a line into words; "..." quotes a word with spaces; '#' starts a comment.
  bool Tokenize(const std::string& text) {
    tokens_.clear();
    size_t i = 0, n = text.size();
    while (i < n) {
      char c = text[i];
      if (c == ' ' || c == '\t' || c == '\r') {
        ++i;
        continue;
      }
      if (c == '#') break;
      if (c == '\0') return Fail("a NUL byte");
      if (tokens_.size() >= 80) return Fail("too many words on the line");
      if (c == '"') {
        size_t close = text.find('"', i + 1);
        if (close == std::string::npos) return Fail("a quoted name is not closed");
        std::string word = text.substr(i + 1, close - i - 1);
        if (word.find('\0') != std::string::npos) return Fail("a NUL byte");
        tokens_.push_back(word);
        i = close + 1;
        continue;
      }
      size_t start = i;
      while (i < n && text[i] != ' ' && text[i] != '\t' && text[i] != '\r' && text[i] != '#') {
        if (text[i] == '\0') return Fail("a NUL byte");
        ++i;
      }
      tokens_.push_back(text.substr(start, i - start));
    }
    return true;
  }

  bool Number(const std::string& word, float low, float high, float* out) {
    if (word.empty() || word.size() > 32) return Fail("\"" + word.substr(0, 32) + "\" is not a number");
    const char* s = word.c_str();
    char* end = nullptr;
    errno = 0;
    double v = std::strtod(s, &end);
    if (end == s || *end != '\0' || errno == ERANGE || !std::isfinite(v) || std::strpbrk(s, "xXpPnN"))
      return Fail("\"" + word + "\" is not a number");
    if (v < low || v > high) {
      char buf[96];
      std::snprintf(buf, sizeof(buf), "\"%s\" is outside %g..%g", word.c_str(), double(low), double(high));
      return Fail(buf);
    }
    *out = float(v);
    return true;
  }

  bool Integer(const std::string& word, int low, int high, int* out) {
    float v = 0;
    if (!Number(word, float(low), float(high), &v)) return false;
    if (v != std::floor(v)) return Fail("\"" + word + "\" is not a whole number");
    *out = int(v);
    return true;
  }

  // "a..b" or a single value "a" (both ends the same).
  bool RangeOf(const std::string& word, float low, float high, Range* out) {
    size_t dots = word.find("..");
    if (dots == std::string::npos) {
      if (!Number(word, low, high, &out->lo)) return false;
      out->hi = out->lo;
      return true;
    }
    if (!Number(word.substr(0, dots), low, high, &out->lo) || !Number(word.substr(dots + 2), low, high, &out->hi))
      return false;
    if (out->hi < out->lo) return Fail("the range \"" + word + "\" runs backwards");
    return true;
  }

  bool Color(const std::string& word, uint32_t* out) {
    if (word.size() != 8 || word.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
      return Fail("\"" + word + "\" is not an ARGB colour (8 hex digits)");
    *out = uint32_t(std::strtoul(word.c_str(), nullptr, 16));
    return true;
  }

  bool Bool(const std::string& word, bool* out) {
    if (word == "yes" || word == "on" || word == "1") *out = true;
    else if (word == "no" || word == "off" || word == "0") *out = false;
    else return Fail("\"" + word + "\" is not yes or no");
    return true;
  }

  bool Args(size_t count) {
    if (tokens_.size() - 1 == count) return true;
    char buf[96];
    std::snprintf(buf, sizeof(buf), "\"%s\" takes %zu value%s", tokens_[0].c_str(), count, count == 1 ? "" : "s");
    return Fail(buf);
  }

  bool Name(const std::string& word) {
    if (word.empty() || word.size() > 255) return Fail("a name must have 1 to 255 bytes");
    if (word == "." || word == ".." || word.find('/') != std::string::npos || word.find('\\') != std::string::npos)
      return Fail("the name \"" + word + "\" holds a path separator");
    return true;
  }

  bool ImageName(const std::string& word) {
    if (word.empty() || word.size() > 255) return Fail("an image name must have 1 to 255 bytes");
    if (word[0] == '/' || word[0] == '\\' || word.find(':') != std::string::npos)
      return Fail("the image name \"" + word + "\" must be relative");
    size_t start = 0;
    while (start <= word.size()) {
      size_t slash = word.find_first_of("/\\", start);
      if (slash == std::string::npos) slash = word.size();
      if (word.compare(start, slash - start, "..") == 0 && slash - start == 2)
        return Fail("the image name \"" + word + "\" holds \"..\"");
      start = slash + 1;
    }
    return true;
  }

  bool Line() {
    const std::string& key = tokens_[0];
    Block top = stack_.empty() ? kFolder : stack_.back().block;
    if (key == "end") {
      if (!Args(0)) return false;
      if (stack_.empty()) return Fail("\"end\" without a block");
      if (top == kEmitter && emitter_->layers.empty()) emitter_->layers.emplace_back();
      if (top == kType && type_->frames.empty()) return Fail("a particle type needs \"frames\"");
      if (top == kEmitter) {
        out_.emitters.push_back(std::move(emitter_));
        emitter_.reset();
      }
      stack_.pop_back();
      return true;
    }
    switch (top) {
      case kFolder: return FolderLine(key);
      case kEmitter: return EmitterLine(key);
      case kLayer: return LayerLine(key);
      case kType: return TypeLine(key);
    }
    return false;
  }

  int CurrentFolder() const {
    for (auto it = stack_.rbegin(); it != stack_.rend(); ++it)
      if (it->block == kFolder) return it->folder;
    return 0;
  }

  bool NameTaken(int folder, const std::string& name, bool emitter) const {
    for (const Entry& e : out_.folders[size_t(folder)].entries) {
      const std::string& other =
          e.emitter ? out_.emitters[size_t(e.index)]->name : out_.folders[size_t(e.index)].name;
      if (e.emitter == emitter && other == name) return true;
    }
    return false;
  }

  bool FolderLine(const std::string& key) {
    int parent = CurrentFolder();
    if (key == "folder") {
      if (!Args(1) || !Name(tokens_[1])) return false;
      if (int(stack_.size()) >= kMaxDepth) return Fail("folders are nested too deeply");
      if (out_.folders.size() >= size_t(kMaxEmitters)) return Fail("too many folders");
      if (NameTaken(parent, tokens_[1], false)) return Fail("the folder \"" + tokens_[1] + "\" exists twice");
      Folder f;
      f.name = tokens_[1];
      f.parent = parent;
      out_.folders.push_back(f);
      int index = int(out_.folders.size()) - 1;
      out_.folders[size_t(parent)].entries.push_back({false, index});
      stack_.push_back({kFolder, index});
      return true;
    }
    if (key == "emitter") {
      if (!Args(1) || !Name(tokens_[1])) return false;
      if (out_.emitters.size() >= size_t(kMaxEmitters)) return Fail("too many emitters");
      if (NameTaken(parent, tokens_[1], true)) return Fail("the emitter \"" + tokens_[1] + "\" exists twice");
      emitter_ = std::make_shared<EmitterDesc>();
      emitter_->name = tokens_[1];
      // The entry points at the emitter's future slot (pushed at its "end").
      out_.folders[size_t(parent)].entries.push_back({true, int(out_.emitters.size())});
      stack_.push_back({kEmitter, parent});
      return true;
    }
    return Fail("\"" + key + "\" is not allowed in a folder");
  }

  bool EmitterLine(const std::string& key) {
    EmitterDesc& e = *emitter_;
    if (key == "position") return Args(2) && Number(tokens_[1], -1e5f, 1e5f, &e.x) && Number(tokens_[2], -1e5f, 1e5f, &e.y);
    if (key == "loop") return Args(1) && Bool(tokens_[1], &e.loop);
    if (key == "prewarm") return Args(1) && Number(tokens_[1], 0, 60000, &e.prewarm);
    if (key == "duration") return Args(1) && Number(tokens_[1], 0, 600000, &e.duration);
    if (key == "step") return Args(1) && Number(tokens_[1], 1, 1000, &e.step);
    if (key == "direction") return Args(1) && Number(tokens_[1], -3600, 3600, &e.direction);
    if (key == "layer") {
      if (!Args(1) || !Name(tokens_[1])) return false;
      if (e.layers.size() >= size_t(kMaxLayers)) return Fail("too many layers");
      if (!e.layers.empty() && e.layers[0].name.empty()) return Fail("an emitter holds either particle types or layers");
      e.layers.emplace_back();
      e.layers.back().name = tokens_[1];
      stack_.push_back({kLayer, 0});
      return true;
    }
    if (key == "type") {
      if (!e.layers.empty() && !e.layers.back().name.empty())
        return Fail("an emitter holds either particle types or layers");
      if (e.layers.empty()) e.layers.emplace_back();
      return OpenType(e.layers.back());
    }
    return Fail("\"" + key + "\" is not allowed in an emitter");
  }

  bool LayerLine(const std::string& key) {
    LayerDesc& l = emitter_->layers.back();
    if (key == "offset")
      return Args(2) && Number(tokens_[1], -1e5f, 1e5f, &l.offsetX) && Number(tokens_[2], -1e5f, 1e5f, &l.offsetY);
    if (key == "start") return Args(1) && Number(tokens_[1], 0, 600000, &l.start);
    if (key == "stop") return Args(1) && Number(tokens_[1], 0, 600000, &l.stop);
    if (key == "type") return OpenType(l);
    return Fail("\"" + key + "\" is not allowed in a layer");
  }

  bool OpenType(LayerDesc& layer) {
    if (!Args(1) || !Name(tokens_[1])) return false;
    if (layer.types.size() >= size_t(kMaxTypes)) return Fail("too many particle types");
    layer.types.emplace_back();
    layer.types.back().name = tokens_[1];
    type_ = &layer.types.back();
    stack_.push_back({kType, 0});
    return true;
  }

  bool TypeLine(const std::string& key) {
    TypeDesc& t = *type_;
    if (key == "frames") {
      if (tokens_.size() < 4) return Fail("\"frames\" takes a width, a height and at least one image");
      if (tokens_.size() - 3 > size_t(kMaxFrames)) return Fail("too many frames");
      int w = 0, h = 0;
      if (!Integer(tokens_[1], 1, kMaxFrameSize, &w) || !Integer(tokens_[2], 1, kMaxFrameSize, &h)) return false;
      t.frames.clear();
      for (size_t i = 3; i < tokens_.size(); ++i) {
        if (!ImageName(tokens_[i])) return false;
        t.frames.push_back({tokens_[i], w, h});
      }
      return true;
    }
    if (key == "animate") {
      if (tokens_.size() < 2) return Args(1);
      const std::string& how = tokens_[1];
      if (how == "loop") return Args(2) && Number(tokens_[2], 0.01f, 1000, &t.fps) && (t.animate = Animate::kLoop, true);
      if (!Args(1)) return false;
      if (how == "none") t.animate = Animate::kNone;
      else if (how == "life") t.animate = Animate::kLife;
      else if (how == "random") t.animate = Animate::kRandom;
      else return Fail("\"animate\" takes none, life, random or loop <fps>");
      return true;
    }
    if (key == "blend") {
      if (!Args(1)) return false;
      if (tokens_[1] == "add") t.additive = true;
      else if (tokens_[1] == "alpha") t.additive = false;
      else return Fail("\"blend\" takes add or alpha");
      return true;
    }
    if (key == "rate") return Args(1) && Number(tokens_[1], 0, 100000, &t.rate);
    if (key == "burst") return Args(1) && Integer(tokens_[1], 0, kMaxParticlesPerType, &t.burst);
    if (key == "max") return Args(1) && Integer(tokens_[1], 1, kMaxParticlesPerType, &t.maxCount);
    if (key == "life") {
      if (!Args(1) || !RangeOf(tokens_[1], 1, 60000, &t.life)) return false;
      return true;
    }
    if (key == "speed") return Args(1) && RangeOf(tokens_[1], -10000, 10000, &t.speed);
    if (key == "direction") return Args(1) && Number(tokens_[1], -3600, 3600, &t.direction);
    if (key == "spread") return Args(1) && Number(tokens_[1], 0, 360, &t.spread);
    if (key == "size") {
      if (tokens_.size() != 2 && tokens_.size() != 3) return Fail("\"size\" takes a start and an optional end");
      if (!RangeOf(tokens_[1], 0, 4096, &t.sizeStart)) return false;
      t.sizeEnd = t.sizeStart;
      return tokens_.size() == 2 || RangeOf(tokens_[2], 0, 4096, &t.sizeEnd);
    }
    if (key == "rotation") return Args(1) && RangeOf(tokens_[1], -3600, 3600, &t.rotation);
    if (key == "spin") return Args(1) && RangeOf(tokens_[1], -36000, 36000, &t.spin);
    if (key == "gravity")
      return Args(2) && Number(tokens_[1], -1e5f, 1e5f, &t.gravityX) && Number(tokens_[2], -1e5f, 1e5f, &t.gravityY);
    if (key == "drag") return Args(1) && Number(tokens_[1], 0, 100, &t.drag);
    if (key == "area") {
      if (tokens_.size() < 2) return Fail("\"area\" takes point, circle <radius> or rect <width> <height>");
      const std::string& how = tokens_[1];
      if (how == "point" && tokens_.size() == 2) {
        t.area = Area::kPoint;
        return true;
      }
      if (how == "circle" && tokens_.size() == 3) {
        t.area = Area::kCircle;
        return Number(tokens_[2], 0, 1e5f, &t.areaW);
      }
      if (how == "rect" && tokens_.size() == 4) {
        t.area = Area::kRect;
        return Number(tokens_[2], 0, 1e5f, &t.areaW) && Number(tokens_[3], 0, 1e5f, &t.areaH);
      }
      return Fail("\"area\" takes point, circle <radius> or rect <width> <height>");
    }
    if (key == "colour" || key == "color") {
      size_t n = tokens_.size() - 1;
      if (n == 0 || n % 2 != 0) return Fail("\"colour\" takes pairs of <time 0..1> <AARRGGBB>");
      if (n / 2 > size_t(kMaxColorStops)) return Fail("too many colour stops");
      t.colors.clear();
      for (size_t i = 1; i < tokens_.size(); i += 2) {
        ColorStop stop{0, 0};
        if (!Number(tokens_[i], 0, 1, &stop.t) || !Color(tokens_[i + 1], &stop.argb)) return false;
        if (!t.colors.empty() && stop.t < t.colors.back().t) return Fail("colour stops must not go back in time");
        t.colors.push_back(stop);
      }
      return true;
    }
    return Fail("\"" + key + "\" is not allowed in a particle type");
  }

  EffectFile& out_;
  std::string& error_;
  int line_ = 0;
  std::vector<std::string> tokens_;
  std::vector<Open> stack_;
  std::shared_ptr<EmitterDesc> emitter_;
  TypeDesc* type_ = nullptr;
};

}  // namespace

bool ReadEffectFile(const char* data, size_t size, EffectFile& out, std::string& error) {
  out = EffectFile();
  error.clear();
  if (!data && size) {
    error = "no data";
    return false;
  }
  Parser parser(out, error);
  if (!parser.Run(data ? data : "", size)) {
    out = EffectFile();
    return false;
  }
  return true;
}

bool LoadEffectFile(const char* path, EffectFile& out, std::string& error) {
  out = EffectFile();
  if (!path || !*path) {
    error = "no file name";
    return false;
  }
  FILE* f = std::fopen(path, "rb");
  if (!f) {
    error = std::string("cannot open the file: ") + std::strerror(errno);
    return false;
  }
  std::string bytes;
  char buf[16384];
  size_t got = 0;
  while ((got = std::fread(buf, 1, sizeof(buf), f)) > 0) {
    bytes.append(buf, got);
    if (bytes.size() > kMaxFileBytes) break;
  }
  bool readError = std::ferror(f) != 0;
  std::fclose(f);
  if (readError) {
    error = "cannot read the file";
    return false;
  }
  return ReadEffectFile(bytes.data(), bytes.size(), out, error);
}

}  // namespace particles
