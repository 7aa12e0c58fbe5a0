// Audio, each figure the median of five runs with the two sides alternating:
// - mixing: our sound engine streaming 32 Ogg files (60 s each, 44100 Hz
//   stereo) into 60 s of output, against SDL2_mixer loading and mixing the
//   same 32 files (its output thread driven as fast as it goes by SDL's "disk"
//   driver writing to /dev/null). Both sides are CPU time: every thread's work
//   on ours; the loading thread plus the mixing thread on theirs.
//   Prints "ratio lantern/sdl_mixer: X" (the target is at most 1.0).
//   Same work: both sides mixed all 32 tracks for the whole 60 s (2,646,000
//   output frames or more, every track still playing 59 s in), and the
//   loudness (RMS) of the two mixes agrees within 10 % (they agree to about
//   3 %; they scale and clip a little differently).
// - decoding: one 60 s file through our data source and spooler, half a
//   buffer at a time, against a plain vorbisfile loop.
//   Prints "ratio decode lantern/vorbisfile: Y" (time; the target is at most 1 / 0.95).
//   Same work: both give exactly the same PCM bytes.
// The program fails when a check does not hold. The files are encoded on the
// first run and kept in the build folder.
#include <SDL.h>
#include <SDL_mixer.h>
#include <benchmark/benchmark.h>
#include <unistd.h>
#include <vorbis/vorbisfile.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "audio/datasource.h"
#include "audio/mixer/softsound.h"
#include "audio/sound.h"
#include "audio/soundmanager.h"
#include "bench/compare.h"
#include "platform/folders.h"
#include "platform/time.h"
#include "tests/audio/oggmaker.h"

namespace {

constexpr int kTracks = 32;
constexpr uint32_t kSeconds = 60;
constexpr uint64_t kOutputFrames = uint64_t(kSeconds) * 44100;

std::string TrackName(int i) {
  char name[32];
  std::snprintf(name, sizeof name, "track%02d.ogg", i);
  return name;
}

// The tracks, made once, in the working folder.
void MakeTracks() {
  std::string dir = std::string(LANTERN_BENCH_ROOT) + "/bench-audio-v1";
  std::filesystem::create_directories(dir);
  for (int i = 0; i < kTracks; ++i) {
    std::string path = dir + "/" + TrackName(i);
    if (std::filesystem::exists(path)) continue;
    std::vector<uint8_t> bytes = ogg_test::EncodeOgg(kSeconds * 44100, 44100, 2, 0.4f, uint32_t(i));
    std::ofstream(path + ".part", std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
    std::filesystem::rename(path + ".part", path);
  }
  if (chdir(dir.c_str()) != 0) std::abort();
  RefreshFileLayer();
}

double CpuSeconds(clockid_t clock) {
  timespec t;
  clock_gettime(clock, &t);
  return double(t.tv_sec) + t.tv_nsec * 1e-9;
}

// One mix of the 32 tracks into 60 s of output; its CPU seconds.
double LanternMix(double* rms) {
  SetSoftSoundOutput(TSoftOutputKind::kManual);
  RegisterOggDataSourceBuilder();
  double start = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
  double squares = 0;
  uint64_t frames = 0;
  {
    TManualTimeScope time(0);
    TSoundManager manager(false);
    manager.Init();
    std::vector<boost::shared_ptr<TSound>> sounds;
    std::vector<boost::shared_ptr<TSoundInstance>> playing;
    for (int i = 0; i < kTracks; ++i) {
      sounds.push_back(TSound::Get(TrackName(i).c_str(), false, 1001));
      bench::Require(bool(sounds.back()), "lantern cannot open %s", TrackName(i).c_str());
      playing.push_back(sounds.back()->Play(false));
    }
    std::vector<int16_t> out;
    uint32_t clock = 0;
    while (frames < kOutputFrames) {
      out.clear();
      manager.GetDevice()->Render(kSoftOutputPeriod, &out);
      frames += kSoftOutputPeriod;
      for (int16_t v : out) squares += double(v) * v;
      uint32_t now = static_cast<uint32_t>(frames * 1000 / 44100);
      time.Advance(now - clock);
      clock = now;
      manager.SweepStreams(true);
    }
    int stillPlaying = 0;
    for (const auto& instance : playing) stillPlaying += instance->IsPlaying();
    bench::Require(stillPlaying == kTracks, "lantern: %d of %d tracks played the whole minute", stillPlaying, kTracks);
  }
  double seconds = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - start;
  *rms = std::sqrt(squares / double(frames * 2));
  return seconds;
}

// SDL2_mixer's side: the post-mix hook runs on its mixing thread and reads that thread's CPU clock.
struct TMixCount {
  std::atomic<bool> counting{false};
  std::atomic<bool> done{false};
  uint64_t frames = 0;
  double squares = 0;
  int playingLate = -1;  // channels still playing 59 s into the count
  double threadStart = -1, threadEnd = 0;
} gCount;

void PostMix(void*, Uint8* stream, int bytes) {
  if (!gCount.counting || gCount.done) return;
  if (gCount.threadStart < 0) {
    gCount.threadStart = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    return;
  }
  const int16_t* samples = reinterpret_cast<const int16_t*>(stream);
  for (int i = 0; i < bytes / 2; ++i) gCount.squares += double(samples[i]) * samples[i];
  gCount.frames += uint64_t(bytes) / 4;
  if (gCount.playingLate < 0 && gCount.frames >= kOutputFrames - 44100) gCount.playingLate = Mix_Playing(-1);
  if (gCount.frames >= kOutputFrames) {
    gCount.threadEnd = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    gCount.done = true;
  }
}

double SdlMixerMix(double* rms) {
  bench::Require(Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 1024) == 0, "SDL2_mixer: %s", Mix_GetError());
  Mix_AllocateChannels(kTracks);
  gCount.counting = false;
  gCount.done = false;
  gCount.frames = 0;
  gCount.squares = 0;
  gCount.playingLate = -1;
  gCount.threadStart = -1;
  Mix_SetPostMix(PostMix, nullptr);
  double loadStart = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
  std::vector<Mix_Chunk*> chunks;
  for (int i = 0; i < kTracks; ++i) {
    chunks.push_back(Mix_LoadWAV(TrackName(i).c_str()));
    bench::Require(chunks.back() != nullptr, "SDL2_mixer cannot load %s: %s", TrackName(i).c_str(), Mix_GetError());
  }
  for (int i = 0; i < kTracks; ++i) Mix_PlayChannel(i, chunks[i], 0);
  double load = CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - loadStart;
  gCount.counting = true;
  while (!gCount.done) SDL_Delay(5);
  int stillPlaying = gCount.playingLate;
  Mix_SetPostMix(nullptr, nullptr);
  Mix_HaltChannel(-1);
  for (Mix_Chunk* c : chunks) Mix_FreeChunk(c);
  Mix_CloseAudio();
  bench::Require(stillPlaying == kTracks, "SDL2_mixer: %d of %d tracks still played 59 s in", stillPlaying, kTracks);
  *rms = std::sqrt(gCount.squares / double(gCount.frames * 2));
  return load + gCount.threadEnd - gCount.threadStart;
}

// One whole decode of track 0; the seconds, and the PCM's size and hash.
double DecodeLantern(uint64_t* bytes, uint64_t* hash) {
  RegisterOggDataSourceBuilder();
  std::vector<uint8_t> half(176400);
  *bytes = 0;
  *hash = bench::Hash(nullptr, 0);
  double start = bench::Seconds();
  boost::shared_ptr<TSoundDataSource> source = CreateSoundDataSource(TrackName(0).c_str(), true);
  TStreamSpooler spooler(source);
  uint32_t written = 0;
  bool more = true;
  while (more) {
    more = spooler.Fill(half.data(), uint32_t(half.size()), &written, false);
    *bytes += written;
    *hash = bench::Hash(half.data(), written, *hash);
  }
  return bench::Seconds() - start;
}

double DecodeVorbisfile(uint64_t* bytes, uint64_t* hash) {
  std::vector<char> buffer(4096);
  *bytes = 0;
  *hash = bench::Hash(nullptr, 0);
  double start = bench::Seconds();
  OggVorbis_File vf;
  bench::Require(ov_fopen(TrackName(0).c_str(), &vf) == 0, "vorbisfile cannot open %s", TrackName(0).c_str());
  int section = 0;
  long got;
  while ((got = ov_read(&vf, buffer.data(), int(buffer.size()), 0, 2, 1, &section)) > 0) {
    *bytes += uint64_t(got);
    *hash = bench::Hash(buffer.data(), size_t(got), *hash);
  }
  ov_clear(&vf);
  return bench::Seconds() - start;
}

}  // namespace

int main() {
  // SDL2_mixer's output: the "disk" driver into /dev/null, without waiting between buffers.
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
  setenv("SDL_DISKAUDIODELAY", "0", 1);
  MakeTracks();
  if (SDL_Init(SDL_INIT_AUDIO) != 0) std::fprintf(stderr, "SDL audio: %s\n", SDL_GetError());
  Mix_Init(MIX_INIT_OGG);

  std::vector<double> ourRms, theirRms;
  bench::TComparison mix = bench::Alternate(
      [&] {
        double rms = 0, seconds = LanternMix(&rms);
        ourRms.push_back(rms);
        return seconds;
      },
      [&] {
        double rms = 0, seconds = SdlMixerMix(&rms);
        theirRms.push_back(rms);
        return seconds;
      },
      bench::kMinRuns);
  double a = bench::Median(ourRms), b = bench::Median(theirRms);
  std::printf("same work: 32 tracks for 60 s on both sides; loudness (RMS) lantern %.0f, SDL2_mixer %.0f\n", a, b);
  bench::Require(a > 100 && b > 100 && std::fabs(a / b - 1) <= 0.10,
                 "the mixes differ: RMS %.0f against %.0f (allowed 10 %% apart)", a, b);
  bench::PrintMedians("mix of 32 tracks, 60 s (CPU time)", mix, "lantern", "SDL2_mixer");
  bench::PrintRatio("lantern/sdl_mixer", mix.Ratio());

  uint64_t ourBytes = 0, ourHash = 0, theirBytes = 0, theirHash = 0;
  bench::TComparison decode = bench::Alternate([&] { return DecodeLantern(&ourBytes, &ourHash); },
                                               [&] { return DecodeVorbisfile(&theirBytes, &theirHash); });
  std::printf("same work: %llu bytes of PCM decoded by lantern, %llu by vorbisfile\n",
              static_cast<unsigned long long>(ourBytes), static_cast<unsigned long long>(theirBytes));
  bench::Require(ourBytes == theirBytes && ourHash == theirHash && ourBytes > 0,
                 "the decoders gave different PCM (%llu and %llu bytes)", static_cast<unsigned long long>(ourBytes),
                 static_cast<unsigned long long>(theirBytes));
  bench::PrintMedians("decode of one 60 s track", decode, "lantern", "vorbisfile");
  bench::PrintRatio("decode lantern/vorbisfile", decode.Ratio());
  Mix_Quit();
  SDL_Quit();
  return 0;
}
