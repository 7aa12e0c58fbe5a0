// The software display device's configuration and fault injection.
//
// The configuration describes the machine the device pretends to be: its
// adapters (identifier, 3-D devices, texture and z formats), display modes,
// desktop and video memory. The game runs on the default configuration;
// tests install their own, lose the device, refuse named calls and run out
// of video memory, and read back the calls made and the last frame shown.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "render/sdev/sdev.h"

namespace sdev::test {

struct AdapterConfig {
  Guid guid;
  bool hasGuid = false;  // the default adapter has none
  DeviceIdentifier ident;
  std::vector<std::pair<std::string, D3DDeviceDesc>> d3dDevices;
  std::vector<PixelFormat> textureFormats, zFormats;
};

struct Config {
  std::vector<AdapterConfig> adapters;  // [0] = the default device
  std::vector<DisplayMode> modes;
  DesktopInfo desktop;
  Rect workArea{0, 0, 1920, 1040};
  int metrics[7] = {2, 4, 23, 2, 4, 1920, 1080};  // indexed by Metric
  uint64_t videoMemoryBytes = 256ull << 20;
  int osMajor = 6, osMinor = 1;
  // The vector kernels the device may use, each only where the processor has
  // it: 0 none (every pixel by the plain formulas), 1 SSE2, 2 SSE2 and AVX2,
  // 3 AVX-512 as well. They draw the same pixels; tests compare them.
  int vectorLevel = 3;
};

// One adapter with one hardware T&L device, every format, modes 640x480 to
// 1920x1080 at 16 and 32 bits, a true-colour 1920 x 1080 desktop, 256 MiB.
Config DefaultConfig();

enum class Op {
  CreateDD, SetCoopLevel, SetDisplayMode, CreateSurface, CreateDevice, Blt, BltFast, Flip, Lock, Present,
  BeginScene, EndScene, DrawPrimitive, DrawIndexed, TestCoop, Restore, D3DXCreate, D3DXLoad, kCount
};
const char* OpName(Op op);

class Fault {
public:
  // The configuration (process-wide); also resets every fault and counter.
  static void Install(const Config& config);
  static const Config& Current();
  // Clears faults, counters, the call log and the loss state; keeps the configuration.
  static void Reset();
  // The next `times` calls of `op` (on `adapterIndex`, -1 = any) return `code`.
  static void FailNext(Op op, HResult code, int times = 1, int adapterIndex = -1);
  // The next `times` Flip, Blt into a primary and GetFlipStatus answer kWasStillDrawing.
  static void StillDrawing(int times);
  // Every video-memory and primary surface is lost; TestCooperativeLevel gives kNotExclusive.
  static void LoseDevice();
  // TestCooperativeLevel gives kOk again; surfaces stay lost until restored.
  static void RegainFocus();
  // TestCooperativeLevel gives kWrongMode (the display mode changed under us).
  static void ChangeMode();
  static bool IsDeviceLost();
  // Calls made, e.g. "CreateSurface(0x1000,64x64)", "Blt(0x1000000)"; cleared by Reset.
  static const std::vector<std::string>& CallLog();
  static int Count(Op op);
  static uint64_t VideoMemoryInUse();

  // Internal: asked by the device before each operation; returns the code to fail with (0 = go on).
  static HResult Check(Op op, int adapterIndex);
  static void Log(const std::string& call);
};

// The last frame handed to the presenter (or shown on a primary surface):
// ARGB pixels, row-major, width x height. Empty before the first.
struct Frame {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const { return pixels[size_t(y) * width + x]; }
};
const Frame& LastFrame();
uint64_t FramesShown();

// A batch of primitives as the device is about to draw it, for benchmarks and
// tests that draw the same frame another way: the vertices in target pixels
// (texture coordinates 0..1, the diffuse colour as ARGB), the primitives
// (strips and fans given as lists; only those the device draws), the texture
// as ARGB texels, and the state that decides the pixels.
struct DrawCall {
  PrimType type = PrimType::TriList;  // TriList, LineList or PointList
  struct Vertex {
    float x, y, u, v;
    uint32_t diffuse;
  };
  std::vector<Vertex> vertices;
  std::vector<uint32_t> indices;  // three a triangle, two a line, one a point
  const Surface* target = nullptr;
  // The texture (null: none), its texels and its generation (it changes
  // whenever the texels may have).
  const Surface* texture = nullptr;
  const uint32_t* texels = nullptr;
  int texWidth = 0, texHeight = 0, texPitch = 0;  // pitch in texels
  uint32_t textureGeneration = 0;
  bool blend = false, linear = false;
  uint32_t srcBlend = 0, dstBlend = 0;
  uint32_t colorOp = 0, colorArg1 = 0, colorArg2 = 0, alphaOp = 0, alphaArg1 = 0, alphaArg2 = 0;
  Rect clip;  // the viewport, the clip rectangle and the target together
};
// Called with every batch from now on (an empty function: no longer). A
// colour fill of a target's rectangle comes as a DrawCall without vertices,
// its colour in `srcBlend`.
void SetDrawRecorder(std::function<void(const DrawCall&)> recorder);

}  // namespace sdev::test
