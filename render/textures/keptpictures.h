// render/textures: textures, their pixels on the display device, and the image readers.
// Kept pictures: the pixels of pictures the game will likely show again,
// kept in memory so that a texture loaded again is not decoded again.
//
// A texture whose surface still holds its picture exactly as loaded (nothing
// drew into it, blitted onto it or changed it under a lock since) gives its
// pixels here when it goes (its last handle dropped), and whenever it is
// locked while it holds them (a lock that only read them takes them back at
// the unlock). The next load of the same picture takes them (they leave the
// cache) instead of decoding the file. Only pictures of 32-bit surfaces are
// kept, read back byte for byte, so a texture made from kept pixels holds the
// same pixels as one made by decoding.
//
// A picture is told by its files as they are now (GetFileStamp: path, size
// and times, or the archive member's place): a file changed on disk since is
// decoded again. Pictures read within the margin of a file's last change,
// and memory files, are never kept.
//
// The cache's bound, in bytes of pixels (width x height x 4 each): never more
// than kKeptPicturesLimit, and never so much that it and the display's
// texture memory together pass the most texture memory used so far (in this
// run) by more than kKeptPicturesAllowance. So the kept pictures fill what
// the textures of a lighter screen leave of what a heavier one used, and give
// it back as textures are made (each new surface trims the cache). When room
// must be made, the pictures worth least go first: worth is the loads of the
// picture so far per byte it holds (a small button spares a decode as a large
// picture does), added to the worth of the last picture to go (old worth
// fades); among equals the oldest. A picture larger than the room is not kept.
// Main thread only, as textures are.
//
// Part of render/; depends on platform/.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/string.h"

constexpr uint64_t kKeptPicturesLimit = 64u << 20;
constexpr uint64_t kKeptPicturesAllowance = 6u << 20;

// The files a load reads, as they are now.
struct TPictureKey {
  std::string id;       // the colour file's stamp, and the mask's after '|'
  bool keepable = false;  // both files have a settled stamp
  bool operator==(const TPictureKey& o) const { return keepable && o.keepable && id == o.id; }
};
// The key of a load of `file` (with the alpha mask `mask`, when not empty);
// with `found`, the files' names as found (FindImageFile), or as given when
// not found.
TPictureKey PictureKeyOf(const TString& file, const TString& mask, TString* foundFile = nullptr,
                         TString* foundMask = nullptr);

// A picture's pixels, kept.
struct TKeptPicture {
  TPictureKey key;
  uint32_t width = 0, height = 0;
  bool hasAlpha = false;  // as the decode said: the picture has an alpha channel
  struct TFree {
    void operator()(uint32_t* p) const;
  };
  // The decode's: width x height, 32-bit ARGB, rows width apart; from malloc,
  // so that a texture's surface can take them as its memory (no copy).
  std::unique_ptr<uint32_t[], TFree> pixels;

  // Room for width x height pixels (their values unset); false when none can be had.
  bool Allocate(uint32_t w, uint32_t h);
  uint64_t Bytes() const { return pixels ? uint64_t(width) * height * 4 : 0; }
};

namespace keptpictures {

// Takes the picture kept under `key` out of the cache; null when there is
// none. Counts the load either way (the picture's worth).
std::unique_ptr<TKeptPicture> Take(const TPictureKey& key);
// Whether a picture is kept under `key`.
bool Holds(const TPictureKey& key);
// Drops the picture kept under `key` when `rows` (its size, `pitch` bytes
// apart) hold exactly its pixels: a texture that holds it again gives it back
// when it goes. False when none is kept or the pixels differ.
bool TakeBackIfSame(const TPictureKey& key, const uint8_t* rows, size_t pitch);
// Keeps the picture at its worth; the pictures worth least go while more
// than the bound allows is held (a picture larger than the room is not kept).
void Keep(std::unique_ptr<TKeptPicture> picture);

// Makes room as the bound now asks (a texture surface was made).
void Trim();

// Counts for tests and the log.
size_t Count();
uint64_t Bytes();
uint64_t MostBytes();  // the most held at once since the last Clear
uint64_t Limit();
uint64_t Room();  // what the bound allows now
// Another bound (tests); pictures go at once when it is lower.
void SetLimit(uint64_t bytes, uint64_t allowance = kKeptPicturesAllowance);
// Forgets every kept picture, the loads and most texture memory seen, and the counts below.
void Clear();

// What the texture loader did: pictures decoded from files (a colour file
// and its mask count two), the distinct files among them with the pixel
// bytes of each file's picture (width x height x 4, first decode), and the
// loads served from kept pixels (the cache, or a texture's own pixels kept
// over a device loss).
struct TCounts {
  uint64_t decodes = 0, files = 0, fileBytes = 0, taken = 0;
};
TCounts GetCounts();
// Counts a picture file decoded (`file` as FindImageFile found it).
void CountDecode(const TString& file, uint32_t width, uint32_t height);
void CountTaken();
// One log line with the counts (the display writes it when it closes).
void LogCounts();

}  // namespace keptpictures
