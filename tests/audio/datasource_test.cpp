// Data sources: the builder registry, what stays in memory, random-access
// reads against an independent decode, the decoder callbacks, damaged files.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>

#include "audio/oggcallbacks.h"
#include "platform/folders.h"
#include "platform/log.h"
#include "platform/settings.h"
#include "tests/audio/audiotest.h"

namespace {

using DataSourceTest = AudioTest;

std::vector<int16_t> ReadAll(TSoundDataSource& source) {
  std::vector<int16_t> pcm(source.GetSize() / 2);
  uint32_t got = source.Read(pcm.data(), 0, static_cast<uint32_t>(pcm.size() * 2));
  pcm.resize(got / 2);
  return pcm;
}

TEST_F(DataSourceTest, FindsFilesByExtensionOrByTrialOfTheRegisteredOnes) {
  Ogg("sfx/click.ogg", 4410);
  Ogg("x.wav.ogg", 4410);
  Ogg("a.b/c.ogg", 4410);
  EXPECT_TRUE(CreateSoundDataSource("sfx/click", true));
  EXPECT_TRUE(CreateSoundDataSource("sfx/click.ogg", true));
  EXPECT_TRUE(CreateSoundDataSource("x.wav", true));
  EXPECT_TRUE(CreateSoundDataSource("a.b/c", true));
  EXPECT_FALSE(CreateSoundDataSource("sfx/missing", true));

  Write("notes.ogg", "this is not an Ogg Vorbis file, only some text");
  TLogCapture log;
  EXPECT_FALSE(CreateSoundDataSource("notes.ogg", false));
  EXPECT_EQ(log.Count("OGG file could not be opened"), 1u);

  RegisterSoundDataSourceBuilder("ogg", nullptr);
  EXPECT_FALSE(CreateSoundDataSource("sfx/click.ogg", true));
  RegisterOggDataSourceBuilder();
}

TEST_F(DataSourceTest, ShortPreloadsAreDecodedLongOnesStayCompressed) {
  const uint32_t kFrames = 44100;
  Ogg("one.ogg", kFrames);
  Ogg("three.ogg", 3 * kFrames, 22050, 1);

  auto one = CreateSoundDataSource("one.ogg", false);
  ASSERT_TRUE(boost::dynamic_pointer_cast<TMemDataSource>(one));
  EXPECT_EQ(one->GetSize(), kFrames * 4u);
  EXPECT_EQ(one->GetRate(), 44100u);
  EXPECT_EQ(one->GetChannels(), 2u);
  EXPECT_NEAR(one->GetLength(), 1.0, 1e-6);
  EXPECT_EQ(ReadAll(*one), Reference("one.ogg"));
  // Written just now, its times have not settled: decoded again.
  const uint64_t opened = OggFilesOpened();
  EXPECT_NE(CreateSoundDataSource("one.ogg", false), one);
  EXPECT_EQ(OggFilesOpened(), opened + 1);
  // Settled (the file layer's clock an hour on), a short sound is decoded
  // once: a later build shares the PCM without opening the file, until the
  // file changes.
  SetFileLayerClock(
      [] {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
                   .count() +
               int64_t(3600) * 1000000000;
      },
      0);
  ClearDecodedSounds();
  auto first = CreateSoundDataSource("one.ogg", false);
  EXPECT_EQ(CreateSoundDataSource("one.ogg", false), first);
  EXPECT_EQ(CreateSoundDataSource("one", false), first);
  EXPECT_EQ(OggFilesOpened(), opened + 2);
  EXPECT_EQ(DecodedSoundBytes(), kFrames * 4u);
  Ogg("one.ogg", kFrames / 2);
  RefreshFileLayer();
  auto changed = CreateSoundDataSource("one.ogg", false);
  ASSERT_TRUE(changed);
  EXPECT_EQ(changed->GetSize(), kFrames * 2u);
  EXPECT_EQ(ReadAll(*changed), Reference("one.ogg"));
  EXPECT_EQ(OggFilesOpened(), opened + 3);
  SetFileLayerClock(nullptr, 0);
  ClearDecodedSounds();
  Ogg("one.ogg", kFrames);

  const std::vector<int16_t> threeRef = Reference("three.ogg");
  auto three = boost::dynamic_pointer_cast<TOggDataSource>(CreateSoundDataSource("three.ogg", false));
  ASSERT_TRUE(three);
  EXPECT_TRUE(three->IsInMemory());
  std::remove(dir_.File("three.ogg").c_str());  // the file was read and closed
  RefreshFileLayer();
  EXPECT_EQ(ReadAll(*three), threeRef);
  Ogg("three.ogg", 3 * kFrames, 22050, 1);

  SetSetting("keepogguncompressed", "1");
  EXPECT_TRUE(boost::dynamic_pointer_cast<TMemDataSource>(CreateSoundDataSource("three.ogg", false)));
  SetSetting("keepogguncompressed", "0");

  auto streamed = boost::dynamic_pointer_cast<TOggDataSource>(CreateSoundDataSource("one.ogg", true));
  ASSERT_TRUE(streamed);
  EXPECT_FALSE(streamed->IsInMemory());
  EXPECT_EQ(ReadAll(*streamed), Reference("one.ogg"));
}

TEST_F(DataSourceTest, RandomAccessReadsMatchTheReferenceDecode) {
  Ogg("music.ogg", 5 * 44100);
  const std::vector<int16_t> ref = Reference("music.ogg");
  auto a = CreateSoundDataSource("music.ogg", true);
  auto b = CreateSoundDataSource("music.ogg", false);
  ASSERT_TRUE(a && b);
  ASSERT_EQ(a->GetSize(), ref.size() * 2);

  std::mt19937 random(7);
  const uint32_t frames = static_cast<uint32_t>(ref.size() / 2);
  for (int i = 0; i < 200; ++i) {
    uint32_t offset = random() % frames * 4;
    uint32_t count = (random() % 20000 + 1) * 4;
    TSoundDataSource& source = i % 2 ? *a : *b;
    std::vector<int16_t> got(count / 2);
    uint32_t n = source.Read(got.data(), offset, count);
    ASSERT_EQ(n, std::min<uint64_t>(count, ref.size() * 2 - offset));
    ASSERT_TRUE(std::equal(got.begin(), got.begin() + n / 2, ref.begin() + offset / 2)) << offset << " " << count;
  }
  // The ends, by hand: the first byte, one inside the first frame, the last frame and past it, the end, beyond it.
  const uint32_t size = uint32_t(ref.size() * 2);
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(ref.data());
  const uint32_t ends[][2] = {{0, 1}, {0, 4}, {1, 1}, {3, 6}, {size - 4, 4}, {size - 3, 2}, {size - 2, 8},
                              {size - 4000, 5000}, {size, 4}, {size + 6, 4}, {0, size}};
  for (int round = 0; round < 2; ++round)  // from wherever the decoder stood, and again after the end
    for (const auto& e : ends) {
      TSoundDataSource& source = round ? *a : *b;
      std::vector<uint8_t> got(e[1] + 8, 0xA5);
      const uint32_t want = e[0] >= size ? 0 : std::min(e[1], size - e[0]);
      ASSERT_EQ(source.Read(got.data(), e[0], e[1]), want) << e[0] << " " << e[1];
      ASSERT_EQ(std::memcmp(got.data(), bytes + std::min(e[0], size), want), 0) << e[0] << " " << e[1];
      EXPECT_EQ(got[want], 0xA5) << e[0] << " " << e[1];
    }
  // Two readers sharing one decoder, alternating, and offsets inside a frame.
  std::vector<uint8_t> x(4000), y(4000);
  const uint8_t* refBytes = reinterpret_cast<const uint8_t*>(ref.data());
  for (uint32_t pos = 0; pos < 40000; pos += 4000) {
    ASSERT_EQ(a->Read(x.data(), pos, 4000), 4000u);
    ASSERT_EQ(a->Read(y.data(), 100000 + pos + 3, 4000), 4000u);
    ASSERT_EQ(std::memcmp(x.data(), refBytes + pos, 4000), 0);
    ASSERT_EQ(std::memcmp(y.data(), refBytes + 100000 + pos + 3, 4000), 0);
  }
}

TEST(MemDataSource, ReadsAreCutAtTheEnd) {
  TMemDataSource mem(std::vector<uint8_t>{1, 2, 3, 4, 5, 6}, 1, 8000, 3 / 8000.0);
  uint8_t out[8] = {};
  EXPECT_EQ(mem.Read(out, 5, 8), 1u);
  EXPECT_EQ(out[0], 6);
  EXPECT_EQ(mem.Read(out, 6, 8), 0u);
  EXPECT_EQ(mem.Read(out, 0xFFFFFFF0u, 8), 0u);
}

// A source that claims more than it delivers, as a damaged file does.
class ShortSource : public TSoundDataSource {
public:
  uint32_t Read(void* destination, uint32_t offset, uint32_t count) override {
    uint32_t n = offset >= 600 ? 0 : std::min(count, 600 - offset);
    std::memset(destination, 0x11, n);
    return n;
  }
  uint64_t GetSize() override { return 1000; }
  uint32_t GetRate() override { return 100; }
  uint32_t GetChannels() override { return 1; }
  double GetLength() override { return 5.0; }
};

TEST(MemDataSource, AShortDecodeKeepsOnlyWhatArrived) {
  ShortSource source;
  auto mem = BuildMemDataSource(source);
  ASSERT_TRUE(mem);
  EXPECT_EQ(mem->GetSize(), 600u);
  EXPECT_DOUBLE_EQ(mem->GetLength(), 3.0);
}

TEST(OggCallbacks, MemorySeekClampsAndFileReadsWholeElements) {
  auto* memory = new TOggMemoryInput;
  memory->data.assign(10, 7);
  EXPECT_EQ(OggMemorySeek(memory, 4, SEEK_SET), 0);
  EXPECT_EQ(OggMemoryTell(memory), 4);
  EXPECT_EQ(OggMemorySeek(memory, 3, SEEK_CUR), 0);
  EXPECT_EQ(OggMemoryTell(memory), 7);
  EXPECT_EQ(OggMemorySeek(memory, -2, SEEK_END), 0);
  EXPECT_EQ(OggMemoryTell(memory), 8);
  EXPECT_EQ(OggMemorySeek(memory, 50, SEEK_SET), 0);
  EXPECT_EQ(OggMemoryTell(memory), 10);
  EXPECT_EQ(OggMemorySeek(memory, -50, SEEK_CUR), 0);
  EXPECT_EQ(OggMemoryTell(memory), 0);
  EXPECT_EQ(OggMemorySeek(memory, 0, 3), -1);
  uint8_t out[16];
  EXPECT_EQ(OggMemoryRead(out, 1, 16, memory), 10u);
  EXPECT_EQ(OggMemoryRead(out, 1, 16, memory), 0u);
  EXPECT_EQ(OggMemoryClose(memory), 0);

  testing_support::TempDir dir;
  dir.Write("ten.bin", "0123456789");
  auto* file = new TFile;
  ASSERT_TRUE(file->Open(TString(dir.File("ten.bin")), "rb"));
  EXPECT_EQ(OggFileRead(out, 3, 5, file), 3u);
  EXPECT_EQ(OggFileTell(file), 9);
  EXPECT_EQ(OggFileSeek(file, 2, SEEK_SET), 0);
  EXPECT_EQ(OggFileTell(file), 2);
  EXPECT_EQ(OggFileSeek(file, 3, SEEK_CUR), 0);
  EXPECT_EQ(OggFileTell(file), 5);
  EXPECT_EQ(OggFileSeek(file, -1, SEEK_END), 0);
  EXPECT_EQ(OggFileTell(file), 9);
  EXPECT_EQ(OggFileSeek(file, 5, SEEK_END), -1);  // outside the file: a failure, not success
  EXPECT_EQ(OggFileSeek(file, 0, 7), -1);
  EXPECT_EQ(OggFileClose(file), 0);
}

TEST_F(DataSourceTest, DamagedEmptyAndTruncatedFilesFailCleanlyOrEndEarly) {
  Write("empty.ogg", "");
  {
    TLogCapture log;
    EXPECT_FALSE(CreateSoundDataSource("empty.ogg", true));
    EXPECT_EQ(log.Count("OGG file could not be opened"), 1u);
  }
  Ogg("silence.ogg", 0);
  {
    TLogCapture log;
    auto none = CreateSoundDataSource("silence.ogg", false);
    ASSERT_TRUE(none);
    EXPECT_EQ(none->GetSize(), 0u);
    EXPECT_TRUE(log.Contains("holds no sound"));
  }

  std::vector<uint8_t> full = ogg_test::EncodeOgg(3 * 44100, 44100, 2);
  const std::string bytes(full.begin(), full.end());
  Write("cut.ogg", bytes.substr(0, bytes.size() * 7 / 10));
  std::string garbled = bytes;
  for (size_t i = garbled.size() / 3; i < garbled.size(); i += 97) garbled[i] = static_cast<char>(garbled[i] ^ 0x5A);
  Write("garbled.ogg", garbled);
  for (const char* name : {"cut.ogg", "garbled.ogg"}) {
    for (bool stream : {true, false}) {
      auto source = CreateSoundDataSource(name, stream);
      if (!source) continue;  // refused with a log line
      EXPECT_LE(source->GetSize(), full.size() * 100);
      std::vector<int16_t> pcm = ReadAll(*source);
      EXPECT_LE(pcm.size() * 2, source->GetSize()) << name;
    }
  }
}

}  // namespace
