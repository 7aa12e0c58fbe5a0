// The asset registry: weak registration, sweeping, and passes that survive
// assets dying or unregistering themselves in the middle of them.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/registry/asset.h"

namespace {

std::vector<std::string> gCalls;

class TTestAsset : public TAsset {
  LANTERN_ASSET_CLASS(TTestAsset, TAsset)
public:
  explicit TTestAsset(std::string name, TAssetManager* unregisterFrom = nullptr)
      : name_(std::move(name)), manager_(unregisterFrom) {}
  ~TTestAsset() override {
    if (manager_) manager_->Remove(TString(name_), this);
  }
  void ReleaseResources() override {
    gCalls.push_back("release " + name_);
    if (onRelease) onRelease();
  }
  void RestoreResources() override {
    gCalls.push_back("restore " + name_);
    if (onRestore) onRestore();
  }
  std::function<void()> onRelease, onRestore;

private:
  std::string name_;
  TAssetManager* manager_;
};

class TOtherAsset : public TTestAsset {
  LANTERN_ASSET_CLASS(TOtherAsset, TTestAsset)
public:
  using TTestAsset::TTestAsset;
};

class Registry : public ::testing::Test {
protected:
  void SetUp() override { gCalls.clear(); }
  TAssetManager mgr;
};

TEST_F(Registry, ClassIdentityAndCast) {
  boost::shared_ptr<TAsset> other(new TOtherAsset("o"));
  EXPECT_STREQ(other->GetClassName(), "TOtherAsset");
  EXPECT_TRUE(other->IsA(&TAsset::ClassId));
  EXPECT_TRUE(other->IsA(&TTestAsset::ClassId));
  EXPECT_TRUE(AssetCast<TOtherAsset>(other));
  boost::shared_ptr<TAsset> plain(new TTestAsset("p"));
  EXPECT_FALSE(plain->IsA(&TOtherAsset::ClassId));
  EXPECT_FALSE(AssetCast<TOtherAsset>(plain));
}

TEST_F(Registry, DeadAssetIsNotFoundAndSweptByRelease) {
  {
    boost::shared_ptr<TAsset> a(new TTestAsset("a"));
    mgr.Add("a:tex", a);
    EXPECT_EQ(mgr.Find("a:tex"), a);
  }
  EXPECT_FALSE(mgr.Find("a:tex"));
  EXPECT_FALSE(mgr.Find("never"));  // a miss leaves an empty entry
  EXPECT_EQ(mgr.GetEntryCount(), 2u);
  mgr.ReleaseAll();
  EXPECT_EQ(mgr.GetEntryCount(), 0u);
  EXPECT_TRUE(gCalls.empty());
}

TEST_F(Registry, AddReplacesAndTheOldAssetDyingKeepsTheNewOne) {
  boost::shared_ptr<TAsset> oldOne(new TTestAsset("k", &mgr));
  mgr.Add("k", oldOne);
  boost::shared_ptr<TAsset> newOne(new TTestAsset("k", &mgr));
  mgr.Add("k", newOne);
  EXPECT_EQ(mgr.Find("k"), newOne);
  oldOne.reset();  // its destructor removes its own key
  EXPECT_EQ(mgr.Find("k"), newOne);
  newOne.reset();
  EXPECT_EQ(mgr.GetEntryCount(), 0u);
  mgr.Remove("absent");
}

TEST_F(Registry, ReleaseAndRestoreInKeyOrder) {
  boost::shared_ptr<TAsset> b(new TTestAsset("b")), a(new TTestAsset("a"));
  mgr.Add("b", b);
  mgr.Add("a", a);
  mgr.ReleaseAll();
  mgr.RestoreAll();
  EXPECT_EQ(gCalls, (std::vector<std::string>{"release a", "release b", "restore a", "restore b"}));
}

TEST_F(Registry, PassesSurviveAssetsDyingMidIteration) {
  auto a = boost::make_shared<TTestAsset>("a", &mgr);
  boost::shared_ptr<TTestAsset> b(new TTestAsset("b", &mgr));
  boost::shared_ptr<TTestAsset> c(new TTestAsset("c", &mgr));
  mgr.Add("a", a);
  mgr.Add("b", b);
  mgr.Add("c", c);
  // a's release drops the last owner of b (the next entry), whose destructor unregisters it.
  a->onRelease = [&] { b.reset(); };
  mgr.ReleaseAll();
  EXPECT_EQ(gCalls, (std::vector<std::string>{"release a", "release c"}));
  EXPECT_EQ(mgr.GetEntryCount(), 2u);

  gCalls.clear();
  // During the restore pass a drops c, the next entry, which unregisters itself.
  c->onRestore = [&] { a.reset(); };
  a->onRestore = [&] { c.reset(); };
  mgr.RestoreAll();
  EXPECT_EQ(gCalls, (std::vector<std::string>{"restore a"}));
  EXPECT_EQ(mgr.GetEntryCount(), 1u);
}

TEST_F(Registry, RestoreWithNoLiveAssetsTouchesNothing) {
  { mgr.Add("x", boost::shared_ptr<TAsset>(new TTestAsset("x"))); }
  mgr.Find("y");
  mgr.RestoreAll();
  EXPECT_TRUE(gCalls.empty());
  EXPECT_EQ(mgr.GetEntryCount(), 2u);
}

TEST_F(Registry, GlobalRegistryInstallAndRemoval) {
  EXPECT_EQ(GetAssetManager(), nullptr);
  {
    TAssetManager scoped;
    EXPECT_EQ(SetAssetManager(&scoped), nullptr);
    EXPECT_EQ(GetAssetManager(), &scoped);
  }
  EXPECT_EQ(GetAssetManager(), nullptr);  // a destroyed registry uninstalls itself
}

}  // namespace
