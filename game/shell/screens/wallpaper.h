// game/shell/screens: the menus: main menu, options, album, gallery, wallpapers, player chooser.
// Desktop wallpapers: a texture written as a 24-bit Windows bitmap file into
// the wallpaper folder, and such a file made the desktop's wallpaper.
//
// The wallpaper folder is "Orvelle" inside the user's XDG Pictures folder,
// made (mode 0700) on first use and kept for the process. A bitmap is written
// to "<name>.bmp.tmp" first, flushed to the disk, and renamed over
// "<name>.bmp" only once every byte is there, so a failed write (a locked texture without pixels, a full or
// read-only disk) leaves no broken file and gives an empty path, and nothing
// broken is ever set as the wallpaper. The desktop is changed through the
// host's replaceable wallpaper setter (platform/host/desktop.h).
// Depends on render/ (textures) and platform/host.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "render/textures/texture.h"

// The wallpaper folder's path (no trailing "/"); empty when it cannot be made.
std::string GetWallpaperFolder();
// Forgets the folder worked out so far: the next call looks again (tests, or
// after the user's folders changed).
void ForgetWallpaperFolder();
// folder + "/" + name.
std::string MakeWallpaperPath(const std::string& name);

// The bitmap file of width x height 32-bit pixels (bytes blue, green, red,
// alpha; rows `pitchPixels` apart, top row first): a 14-byte file header
// ("BM", file size, 0, 0, 54), a 40-byte information header (40, width,
// height, 1 plane, 24 bits, no compression, image size 0, 3780 x 3780
// pixels per metre, 0 colours, 0 important), then the rows bottom-up, three
// bytes blue, green, red per pixel, each row padded with zeros to a multiple
// of 4 bytes. Empty for no pixels, a zero size, a pitch below the width, or
// sides over 16384.
std::vector<uint8_t> EncodeWallpaperBitmap(const uint32_t* pixels, uint32_t pitchPixels, uint32_t width,
                                           uint32_t height);

// Writes the texture as "<name>.bmp" into the wallpaper folder (replacing an
// older file) and returns the file's path; "" when the texture is empty or
// cannot be locked, the name is not a plain file name, or the file cannot be
// written completely (then no file of that name is left changed).
std::string SaveWallpaperBitmap(const TTextureRef& texture, const char* name);
// As SaveWallpaperBitmap: afterwards "<name>.bmp" is the texture's bitmap,
// whatever stood there before (another picture, another player's, a damaged
// file). Only a file that holds exactly those bytes already is left as it is,
// unwritten (the gallery exports every earned wallpaper each time it opens).
std::string ExportWallpaperBitmap(const TTextureRef& texture, const char* name);

// Makes the file the desktop wallpaper, stretched, through the host's setter;
// false when it could not be set (the file stays).
bool SetDesktopWallpaper(const std::string& path);
// SaveWallpaperBitmap, then, when it gave a path, SetDesktopWallpaper; true
// when the wallpaper was set.
bool SetWallpaperFromTexture(const TTextureRef& texture, const char* name);
