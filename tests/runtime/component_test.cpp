#include "runtime/component.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Logs its destruction so the tests can see the order.
struct Tracked : TComponent {
  Tracked(TComponent* Owner, std::string N, std::vector<std::string>& Log) : TComponent(Owner), FLog(Log) {
    Name = std::move(N);
  }
  ~Tracked() override { FLog.push_back(Name); }
  std::vector<std::string>& FLog;
};

TEST(Component, OwnedComponentsAreListedInCreationOrderAndDestroyedWithOwner) {
  std::vector<std::string> log;
  auto* owner = new Tracked(nullptr, "owner", log);
  auto* a = new Tracked(owner, "a", log);
  new Tracked(owner, "b", log);
  a->Tag = 50;
  ASSERT_EQ(owner->ComponentCount(), 2);
  EXPECT_EQ(owner->Components(0)->Name, "a");
  EXPECT_EQ(owner->Components(1)->Name, "b");
  EXPECT_EQ(owner->FindComponent("a")->Tag, 50);
  EXPECT_EQ(owner->FindComponent("zz"), nullptr);
  delete owner;
  EXPECT_EQ(log, (std::vector<std::string>{"owner", "b", "a"}));
}

TEST(Component, DeletingAnOwnedComponentUnlinksItFromItsOwner) {
  std::vector<std::string> log;
  TComponent owner(nullptr);
  auto* a = new Tracked(&owner, "a", log);
  new Tracked(&owner, "b", log);
  delete a;
  ASSERT_EQ(owner.ComponentCount(), 1);
  EXPECT_EQ(owner.Components(0)->Name, "b");
}

}  // namespace
