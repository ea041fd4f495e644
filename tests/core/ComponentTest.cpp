#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Component.h"

namespace {

std::vector<std::string> events;

// Keeps a link to another component and clears it when that one goes.
class TLinked : public TComponent {
public:
    using TComponent::TComponent;
    ~TLinked() override { events.push_back("free " + Name()); }
    TComponent* Link = nullptr;

protected:
    void Notification(TComponent* component, TOperation operation) override
    {
        if (operation == TOperation::opRemove && component == Link) Link = nullptr;
    }
    void Loaded() override { events.push_back("loaded " + Name() + (Loading() ? " (still loading)" : "")); }
};

} // namespace

TEST(ComponentTest, TheOwnerFreesItsComponentsLastCreatedFirst)
{
    events.clear();
    {
        TComponent owner;
        auto* a = new TLinked(&owner);
        a->SetName("A");
        auto* b = new TLinked(&owner);
        b->SetName("B");
        EXPECT_EQ(owner.Components().size(), 2u);
        EXPECT_EQ(owner.FindComponent("B"), b);
        EXPECT_EQ(owner.FindComponent("C"), nullptr);
        EXPECT_EQ(a->Owner(), &owner);
    }
    EXPECT_EQ(events, (std::vector<std::string>{"free B", "free A"}));
}

TEST(ComponentTest, RemovingAComponentClearsLinksToIt)
{
    TComponent owner;
    auto* key = new TLinked(&owner);
    auto* profile = new TLinked(&owner);
    profile->Link = key;
    delete key;
    EXPECT_EQ(profile->Link, nullptr);
    EXPECT_EQ(owner.Components().size(), 1u);
}

TEST(ComponentTest, LoadedFollowsTheEndOfLoading)
{
    events.clear();
    TComponent owner;
    auto* a = new TLinked(&owner);
    a->SetName("A");
    owner.BeginLoading();
    EXPECT_TRUE(a->Loading());
    EXPECT_TRUE(events.empty());
    owner.EndLoading();
    EXPECT_FALSE(a->Loading());
    EXPECT_EQ(events, (std::vector<std::string>{"loaded A"}));
}
