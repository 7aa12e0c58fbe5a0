// Ogg Vorbis files made at test time (libvorbisenc), and an independent
// reference decode (plain vorbisfile) to compare our output against. Vorbis
// is lossy: compare with the decode, never with the signal.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace ogg_test {

// `frames` sample frames of a tone (a different pitch per channel, with a slow
// sweep so no second of it repeats) encoded at VBR quality `quality`.
// `variant` shifts the pitch, so that several files differ.
std::vector<uint8_t> EncodeOgg(uint32_t frames, uint32_t rate, uint32_t channels, float quality = 0.4f,
                               uint32_t variant = 0);
// The same, written to `path`; returns the path.
std::string MakeOgg(const std::string& path, uint32_t frames, uint32_t rate, uint32_t channels, float quality = 0.4f);
// Every sample of the file, interleaved, as vorbisfile decodes it (ov_fopen + ov_read).
std::vector<int16_t> ReferenceDecode(const std::string& path);

}  // namespace ogg_test
