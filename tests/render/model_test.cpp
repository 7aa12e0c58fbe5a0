// Meshes, the asset map and the animation file formats, on real files in a
// temporary folder, damaged ones included.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/log.h"
#include "platform/registry/asset.h"
#include "render/sprites/assetmap.h"
#include "render/sprites/model.h"
#include "tests/support/testsupport.h"

namespace {

std::vector<uint8_t> MeshBytes(const std::vector<std::vector<int16_t>>& verts, const std::vector<uint16_t>& idx) {
  std::vector<uint8_t> b = {'T', 'R', 'I', 'S'};
  auto put = [&](int v) {
    b.push_back(uint8_t(v & 0xFF));
    b.push_back(uint8_t((v >> 8) & 0xFF));
  };
  put(int(verts.size()));
  put(int(idx.size() / 3));
  for (const auto& v : verts)
    for (int16_t x : v) put(x);
  for (uint16_t i : idx) put(i);
  return b;
}

class ModelTest : public ::testing::Test {
protected:
  void SetUp() override {
    previous_ = SetAssetManager(&manager_);
    cd_.reset(new testing_support::ScopedChdir(dir_.Path()));
  }
  void TearDown() override {
    cd_.reset();
    SetAssetManager(previous_);
  }
  TAssetManager manager_;
  TAssetManager* previous_ = nullptr;
  testing_support::TempDir dir_;
  std::unique_ptr<testing_support::ScopedChdir> cd_;
};

}  // namespace

TEST_F(ModelTest, ValuesAreThousandths) {
  dir_.Write("m/tri.mesh", MeshBytes({{1000, -32768, 32767, 0, 0, 1000, 500, 250},
                                      {0, 0, 0, 0, 0, 1000, 0, 0},
                                      {-1, 2, 3, 0, 0, 1000, 0, 1000}},
                                     {0, 1, 2}));
  auto m = TModel::Get("m/tri.mesh");
  ASSERT_TRUE(m);
  const TMeshRecord* r = m->GetMesh();
  ASSERT_EQ(r->vertices.size(), 3u);
  EXPECT_FLOAT_EQ(r->vertices[0].x, 1.0f);
  EXPECT_FLOAT_EQ(r->vertices[0].y, -32.768f);
  EXPECT_FLOAT_EQ(r->vertices[0].z, 32.767f);
  EXPECT_FLOAT_EQ(r->vertices[0].u, 0.5f);
  EXPECT_FLOAT_EQ(r->vertices[0].v, 0.25f);
  EXPECT_FLOAT_EQ(r->vertices[2].x, -0.001f);
  EXPECT_EQ(r->indices, (std::vector<uint16_t>{0, 1, 2}));
  EXPECT_EQ(r->name, "m/tri.mesh");
  EXPECT_STREQ(m->GetClassName(), "TModel");
  EXPECT_TRUE(m->IsA(&TAsset::ClassId));

  dir_.Write("m/empty.mesh", MeshBytes({}, {}));
  auto e = TModel::Get("m/empty.mesh");
  ASSERT_TRUE(e);
  EXPECT_TRUE(e->GetMesh()->vertices.empty());
}

TEST_F(ModelTest, ErrorsGiveNoModel) {
  TLogCapture log;
  dir_.Write("m/tri.obj", MeshBytes({{0, 0, 0, 0, 0, 0, 0, 0}}, {}));
  EXPECT_FALSE(TModel::Get("m/tri.obj"));
  EXPECT_EQ(log.Lines().size(), 0u);
  EXPECT_FALSE(TModel::Get("m/none.mesh"));
  EXPECT_TRUE(log.Contains("TModel::Init: Failed to load m/none.mesh"));
  log.Clear();
  dir_.Write("m/bad.mesh", std::string("SIRT\0\0\0\0", 8));
  TModel bad;
  EXPECT_FALSE(bad.Init("m/bad.mesh"));
  EXPECT_NE(bad.GetMesh(), nullptr);  // the empty record stays
  EXPECT_EQ(log.Lines().size(), 0u);
  EXPECT_FALSE(TModel::Get("m/bad.mesh"));
  EXPECT_EQ(manager_.Find("m/bad.mesh"), nullptr);
}

TEST_F(ModelTest, TruncatedAndLyingFilesRejected) {
  auto good = MeshBytes({{1, 2, 3, 4, 5, 6, 7, 8}, {1, 2, 3, 4, 5, 6, 7, 8}, {0, 0, 0, 0, 0, 0, 0, 0}}, {0, 1, 2});
  TLogCapture log;
  for (size_t n = 4; n < good.size(); ++n) {
    dir_.Write("m/cut.mesh", std::vector<uint8_t>(good.begin(), good.begin() + n));
    TModel m;
    EXPECT_FALSE(m.Init("m/cut.mesh")) << n;
  }
  EXPECT_TRUE(log.Contains("m/cut.mesh is truncated"));
  dir_.Write("m/index.mesh", MeshBytes({{0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0}}, {0, 1, 2}));
  EXPECT_FALSE(TModel::Get("m/index.mesh"));
  EXPECT_TRUE(log.Contains("m/index.mesh has a triangle index 2 past its 2 vertices"));
  // Longer files are read only as far as the mesh goes.
  auto longer = good;
  longer.insert(longer.end(), 10, 0xEE);
  dir_.Write("m/long.mesh", longer);
  EXPECT_TRUE(TModel::Get("m/long.mesh"));
}

TEST_F(ModelTest, SharedWhileAliveAndReloadedAfterReset) {
  dir_.Write("m/a.mesh", MeshBytes({{1000, 0, 0, 0, 0, 0, 0, 0}}, {}));
  auto a = TModel::Get("m/a.mesh");
  auto b = TModel::Get("m/a.mesh");
  EXPECT_EQ(a, b);
  dir_.Write("m/a.mesh", MeshBytes({{2000, 0, 0, 0, 0, 0, 0, 0}}, {}));
  manager_.ReleaseAll();
  manager_.RestoreAll();
  EXPECT_FLOAT_EQ(a->GetMesh()->vertices[0].x, 2.0f);
  // A reload that fails keeps the mesh it had.
  dir_.Write("m/a.mesh", std::string("TRIS\x05", 5));
  a->RestoreResources();
  ASSERT_NE(a->GetMesh(), nullptr);
  EXPECT_FLOAT_EQ(a->GetMesh()->vertices[0].x, 2.0f);
  a.reset();
  b.reset();
  EXPECT_EQ(manager_.Find("m/a.mesh"), nullptr);
}

TEST_F(ModelTest, AssetMapLoadsByExtension) {
  dir_.Write("m/a.mesh", MeshBytes({{0, 0, 0, 0, 0, 0, 0, 0}}, {}));
  TAssetMap map;
  TLogCapture log;
  const char* names[] = {"m/a.mesh", "m/missing.mesh", "x.txt", nullptr};
  EXPECT_FALSE(map.AddAssets(names));
  EXPECT_EQ(map.GetCount(), 1u);
  EXPECT_TRUE(AssetCast<TModel>(map.Get("m/a.mesh")));
  EXPECT_TRUE(log.Contains("TAssetMap::AddAsset: Error loading m/missing.mesh"));
  EXPECT_TRUE(log.Contains("TAssetMap::AddAsset: Error loading x.txt"));
  // Sounds come from the registered loader.
  EXPECT_FALSE(map.GetSound("s/boom.ogg"));
  static int calls = 0;
  SetAssetMapSoundLoader([](const TString& name) -> boost::shared_ptr<TAsset> {
    ++calls;
    return name.StartsWith("s/") ? boost::shared_ptr<TAsset>(new TAsset()) : boost::shared_ptr<TAsset>();
  });
  auto s = map.GetSound("s/boom.ogg?group=1000");
  EXPECT_TRUE(s);
  EXPECT_EQ(map.GetSound("s/boom.ogg?group=1000"), s);
  EXPECT_EQ(calls, 1);
  SetAssetMapSoundLoader(nullptr);
}

