#include "core/common/signal.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace kinevo;

namespace {

// A listener that keeps its connection as a member, as windows do.
struct Listener {
  explicit Listener(TSignal<int>& s, std::vector<std::string>& log, std::string name)
      : log_(log), name_(std::move(name)) {
    link_ = s.Connect([this](int v) { log_.push_back(name_ + std::to_string(v)); });
  }
  std::vector<std::string>& log_;
  std::string name_;
  TConnection link_;
};

}  // namespace

TEST(Signal, EveryListenerHearsEachChangeInConnectionOrder) {
  TSignal<int> changed;
  changed(0);  // nobody listens: nothing happens
  std::vector<std::string> log;
  Listener a(changed, log, "a");
  Listener b(changed, log, "b");
  changed(1);
  changed(2);
  EXPECT_EQ(log, (std::vector<std::string>{"a1", "b1", "a2", "b2"}));
  EXPECT_EQ(changed.ListenerCount(), 2u);
}

TEST(Signal, AListenerDestroyedFirstIsNeverCalledAgain) {
  TSignal<int> changed;
  std::vector<std::string> log;
  auto early = std::make_unique<Listener>(changed, log, "early");
  Listener late(changed, log, "late");
  changed(1);
  early.reset();  // a use after free here would be reported by ASan
  changed(2);
  EXPECT_EQ(log, (std::vector<std::string>{"early1", "late1", "late2"}));
  EXPECT_EQ(changed.ListenerCount(), 1u);
}

TEST(Signal, ASignalDestroyedFirstLeavesItsConnectionsHarmless) {
  std::vector<std::string> log;
  auto source = std::make_unique<TSignal<int>>();
  Listener l(*source, log, "l");
  EXPECT_TRUE(l.link_.Connected());
  source.reset();
  EXPECT_FALSE(l.link_.Connected());
  l.link_.Disconnect();  // must not touch the freed signal
}

TEST(Signal, ConnectionsEndWithTheirOwnerAndWhenReassigned) {
  TSignal<void*> s;
  int calls = 0;
  {
    TConnection c = s.Connect([&](void*) { ++calls; });
    TConnection moved = std::move(c);
    EXPECT_FALSE(c.Connected());
    EXPECT_TRUE(moved.Connected());
    s(nullptr);
  }
  s(nullptr);
  EXPECT_EQ(calls, 1);

  int first = 0, second = 0;
  TConnection c = s.Connect([&](void*) { ++first; });
  c = s.Connect([&](void*) { ++second; });  // the first subscription ends
  s(nullptr);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(second, 1);

  TConnections bag;
  bag += s.Connect([&](void*) { ++first; });
  bag += s.Connect([&](void*) { ++first; });
  s(nullptr);
  EXPECT_EQ(first, 2);
  bag.DisconnectAll();
  s(nullptr);
  EXPECT_EQ(first, 2);
}

TEST(Signal, DisconnectingDuringAnEmission) {
  TSignal<int> s;
  std::vector<std::string> log;
  TConnection self, victim, third;
  // The first listener ends its own subscription and the next one's.
  self = s.Connect([&](int v) {
    log.push_back("self" + std::to_string(v));
    self.Disconnect();
    victim.Disconnect();
  });
  victim = s.Connect([&](int v) { log.push_back("victim" + std::to_string(v)); });
  third = s.Connect([&](int v) { log.push_back("third" + std::to_string(v)); });
  s(1);
  s(2);
  EXPECT_EQ(log, (std::vector<std::string>{"self1", "third1", "third2"}));
  EXPECT_EQ(s.ListenerCount(), 1u);
}

TEST(Signal, ConnectingDuringAnEmissionStartsWithTheNextOne) {
  TSignal<int> s;
  std::vector<int> heard;
  std::vector<TConnection> added;
  TConnection c = s.Connect([&](int v) {
    if (added.empty()) added.push_back(s.Connect([&](int w) { heard.push_back(100 + w); }));
    heard.push_back(v);
  });
  s(1);
  s(2);
  EXPECT_EQ(heard, (std::vector<int>{1, 2, 102}));
}

TEST(Signal, AListenerMayDestroyTheSourceItListensTo) {
  struct Source {
    TSignal<int> changed;
  };
  auto source = std::make_unique<Source>();
  std::vector<int> heard;
  TConnection first = source->changed.Connect([&](int v) {
    heard.push_back(v);
    source.reset();
  });
  TConnection second = source->changed.Connect([&](int v) { heard.push_back(-v); });
  source->changed(5);
  EXPECT_EQ(source, nullptr);
  // The second listener belonged to a signal that no longer exists.
  EXPECT_EQ(heard, (std::vector<int>{5}));
  EXPECT_FALSE(second.Connected());
}
