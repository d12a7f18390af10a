#include "core/marking/undo_history.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "core/common/math_utils.h"

using namespace kinevo;

namespace {

// A small undoable object with a position, standing for a mark.
class TItem : public THistObject {
 public:
  explicit TItem(THistKind kind = hkMarqueRep, double x = 0, double y = 0)
      : THistObject(kind), x(x), y(y) {}
  double x, y;
  void Assign(const THistObject& source) override {
    THistObject::Assign(source);
    const auto& o = static_cast<const TItem&>(source);
    x = o.x;
    y = o.y;
  }
  bool Equals(const THistObject& other) const override {
    const auto& o = static_cast<const TItem&>(other);
    return THistObject::Equals(other) && SameValue(x, o.x) && SameValue(y, o.y);
  }
  std::unique_ptr<THistObject> NewSnapshot() const override {
    return std::make_unique<TItem>(Kind());
  }
};

// A class that is never recorded (like an image container).
class TContainer : public THistObject {};

// Owns a drawing-ordered list of items and plays the marking data's part.
class TOwner : public IHistoryOwner {
 public:
  THistorique h{this};
  std::vector<std::unique_ptr<THistObject>> items;
  std::vector<std::pair<int32_t, THistAction>> reactions;
  std::vector<bool> suspendedDuringReaction;
  bool undoFromReaction = false;

  TItem& Add(double x, double y, THistKind kind = hkMarqueRep) {
    items.push_back(std::make_unique<TItem>(kind, x, y));
    auto& it = static_cast<TItem&>(*items.back());
    h.RecordStep(it, haPoserPointage);
    return it;
  }
  void Move(TItem& it, double x, double y) {
    h.RecordStep(it, haDeplacer);
    it.x = x;
    it.y = y;
  }
  void Erase(std::size_t i, THistAction a = haSupprimer) {
    items[i]->SetListIndex(static_cast<int32_t>(i));
    h.RecordStep(*items[i], a);
    items.erase(items.begin() + static_cast<long>(i));
  }
  TItem& At(std::size_t i) { return static_cast<TItem&>(*items[i]); }
  std::vector<int32_t> Ids() const {
    std::vector<int32_t> r;
    for (const auto& i : items) r.push_back(i->Id());
    return r;
  }

  THistObject* FindObject(int32_t id) override {
    for (auto& i : items)
      if (i->Id() == id) return i.get();
    return nullptr;
  }
  void AfterUndo(THistObject& live, THistAction action) override {
    Note(live.Id(), action);
    if (IsCreation(action)) std::erase_if(items, [&](const auto& p) { return p.get() == &live; });
  }
  void AfterUndoDeletion(std::unique_ptr<THistObject> restored, THistAction action) override {
    Note(restored->Id(), action);
    const auto at = std::clamp<long>(restored->ListIndex(), 0, static_cast<long>(items.size()));
    items.insert(items.begin() + at, std::move(restored));
  }

 private:
  void Note(int32_t id, THistAction a) {
    reactions.emplace_back(id, a);
    suspendedDuringReaction.push_back(h.Suspended());
    if (undoFromReaction) h.Undo();
  }
};

}  // namespace

TEST(HistObject, IdsAreUniqueAndAssignCopiesStateButNotIdentity) {
  TItem a(hkMarqueRep, 1, 2), b(hkEchelle, 3, 4);
  EXPECT_GT(b.Id(), a.Id());
  EXPECT_EQ(THistObject::LastId(), b.Id());
  a.SetAction(haDeplacer);
  a.SetListIndex(5);
  b.Assign(a);
  EXPECT_EQ(b.Kind(), hkMarqueRep);
  EXPECT_EQ(b.Action(), haDeplacer);
  EXPECT_EQ(b.ListIndex(), 5);
  EXPECT_EQ(b.x, 1);
  EXPECT_NE(b.Id(), a.Id());
  EXPECT_TRUE(a.Equals(b));
  b.x += 1e-12;
  EXPECT_FALSE(a.Equals(b));
}

TEST(Historique, SnapshotTakesTheLiveIdAndSeparateRecordsAreSeparateGroups) {
  TOwner o;
  TItem& m1 = o.Add(0.1, 0.1);
  o.Add(0.2, 0.2);
  TItem& m3 = o.Add(0.3, 0.3);
  ASSERT_EQ(o.h.StepCount(), 3u);
  EXPECT_EQ(o.h.Step(0).Id(), m1.Id());
  EXPECT_EQ(o.h.Step(2).Id(), m3.Id());
  EXPECT_EQ(o.h.Step(0).GroupNumber(), 1);
  EXPECT_EQ(o.h.Step(2).GroupNumber(), 3);
  EXPECT_EQ(o.h.UndoCaption(), "Annuler Poser Marque");

  // Three undos remove the marks from the last to the first.
  const auto ids = o.Ids();
  o.h.Undo();
  EXPECT_EQ(o.Ids(), std::vector<int32_t>(ids.begin(), ids.begin() + 2));
  o.h.Undo();
  EXPECT_EQ(o.Ids(), std::vector<int32_t>(ids.begin(), ids.begin() + 1));
  o.h.Undo();
  EXPECT_TRUE(o.items.empty());
  EXPECT_EQ(o.h.UndoCaption(), "");
  // Creations are undone with recording suspended, and it comes back after.
  ASSERT_EQ(o.suspendedDuringReaction.size(), 3u);
  EXPECT_TRUE(o.suspendedDuringReaction[0]);
  EXPECT_FALSE(o.h.Suspended());
}

TEST(Historique, ErasingAllInOneGroupComesBackInPlaceWithFormerIds) {
  TOwner o;
  for (int i = 0; i < 5; ++i) o.Add(0.1 * i, 0.5);
  const auto ids = o.Ids();
  {
    THistGroup g(o.h);
    // Erase in an order that is not the list order.
    o.Erase(1);
    o.Erase(2);  // the former 3rd
    o.Erase(0);
    o.Erase(0);
    o.Erase(0);
  }
  EXPECT_TRUE(o.items.empty());
  EXPECT_EQ(o.h.UndoCaption(), "Annuler Supprimer Marque");
  o.h.Undo();
  EXPECT_EQ(o.Ids(), ids);
  for (int i = 0; i < 5; ++i) EXPECT_DOUBLE_EQ(o.At(static_cast<std::size_t>(i)).x, 0.1 * i);
  // The placing steps are still there.
  EXPECT_EQ(o.h.UndoCaption(), "Annuler Poser Marque");
  EXPECT_EQ(o.h.StepCount(), 5u);
}

TEST(Historique, ChangesAreCopiedBackAndNoOpStepsArePurged) {
  TOwner o;
  TItem& m = o.Add(0.5, 0.5);
  o.Move(m, 0.6, 0.7);
  o.Move(m, 0.6, 0.7);  // a drag that ends where it started
  EXPECT_EQ(o.h.UndoCaption(), "Annuler Déplacer Marque");
  EXPECT_EQ(o.h.StepCount(), 2u);  // the caption purged the no-op step
  o.h.Undo();
  EXPECT_DOUBLE_EQ(m.x, 0.5);
  EXPECT_DOUBLE_EQ(m.y, 0.5);
  ASSERT_FALSE(o.reactions.empty());
  EXPECT_EQ(o.reactions.back(), std::make_pair(m.Id(), haDeplacer));
  EXPECT_FALSE(o.suspendedDuringReaction.back());  // changes are not suspended
  EXPECT_EQ(o.h.UndoCaption(), "Annuler Poser Marque");

  // A step whose live object has gone is dropped, a creation whose object
  // has gone is deleted without effect.
  o.Move(m, 0.9, 0.9);
  o.items.clear();
  EXPECT_EQ(o.h.UndoCaption(), "Annuler Poser Marque");
  const auto before = o.reactions.size();
  o.h.Undo();
  EXPECT_EQ(o.reactions.size(), before);
  EXPECT_TRUE(o.h.Empty());
}

TEST(Historique, EmptyHistoryAndUnrecordedObjects) {
  TOwner o;
  EXPECT_EQ(o.h.UndoCaption(), "");
  o.h.Undo();
  EXPECT_TRUE(o.reactions.empty());
  TContainer c;
  o.h.RecordStep(c, haPoser);
  TItem unknownKind(42);
  o.h.RecordStep(unknownKind, haPoser);
  EXPECT_TRUE(o.h.Empty());
  EXPECT_EQ(o.h.GroupCounter(), 0);
}

TEST(Historique, CaptionNamesOnlyWhatTheWholeGroupShares) {
  TOwner o;
  TItem scale(hkEchelle, 0, 0), frame(hkRepereFixe, 0, 0);
  o.h.BeginGroup();
  o.h.RecordStep(scale, haEffacer);
  o.h.RecordStep(frame, haEffacer);
  o.h.EndGroup();
  EXPECT_EQ(o.h.StepCount(), 2u);
  // Steps whose live objects are unknown to the owner are purged.
  EXPECT_EQ(o.h.UndoCaption(), "");
  EXPECT_EQ(o.h.StepCount(), 0u);

  o.items.push_back(std::make_unique<TItem>(hkEchelle, 1, 1));
  o.items.push_back(std::make_unique<TItem>(hkRepereFixe, 2, 2));
  o.Add(0.5, 0.5);
  o.h.BeginGroup();
  o.h.RecordStep(*o.items[0], haEffacer);
  o.At(0).x = 0;
  o.h.RecordStep(*o.items[1], haEffacer);
  o.At(1).x = 0;
  o.h.EndGroup();
  EXPECT_EQ(o.h.UndoCaption(), "Annuler Effacer");
  o.h.Undo();
  EXPECT_DOUBLE_EQ(o.At(0).x, 1);
  EXPECT_DOUBLE_EQ(o.At(1).x, 2);

  o.h.BeginGroup();
  o.h.RecordStep(*o.items[0], haEffacer);
  o.At(0).x = 0;
  o.h.RecordStep(*o.items[1], haEffacer);
  o.At(1).x = 0;
  o.Erase(2);
  o.h.EndGroup();
  EXPECT_EQ(o.h.UndoCaption(), "Annuler");
  o.h.Undo();
  EXPECT_EQ(o.items.size(), 3u);

  o.items.push_back(std::make_unique<TItem>(hkRepereFixe, 0, 0));
  o.h.RecordStep(*o.items.back(), haChangerSens);
  o.At(3).y = 1;
  EXPECT_EQ(o.h.UndoCaption(), "Annuler Changer sens Repère");
}

TEST(Historique, NestedGroupsMergeIntoTheOuterOne) {
  TOwner o;
  o.h.BeginGroup();
  o.Add(0.1, 0.1);
  o.h.BeginGroup();
  o.Add(0.2, 0.2);
  o.h.EndGroup();
  EXPECT_TRUE(o.h.InGroup());
  o.Add(0.3, 0.3);
  o.h.EndGroup();
  EXPECT_FALSE(o.h.InGroup());
  o.h.EndGroup();  // an extra close is harmless
  o.Add(0.4, 0.4);
  EXPECT_EQ(o.h.Step(0).GroupNumber(), o.h.Step(2).GroupNumber());
  EXPECT_NE(o.h.Step(2).GroupNumber(), o.h.Step(3).GroupNumber());
  o.h.Undo();
  EXPECT_EQ(o.items.size(), 3u);
  o.h.Undo();
  EXPECT_TRUE(o.items.empty());
}

TEST(Historique, SuspendClearAndReentry) {
  TOwner o;
  o.h.Suspend();
  o.Add(0.1, 0.1);
  EXPECT_TRUE(o.h.Empty());
  o.h.Clear();
  EXPECT_TRUE(o.h.Suspended()) << "Clear keeps the suspended state";
  o.h.Resume();
  o.Add(0.2, 0.2);
  o.Add(0.3, 0.3);
  EXPECT_EQ(o.h.GroupCounter(), 2);
  o.h.Clear();
  EXPECT_EQ(o.h.GroupCounter(), 0);
  EXPECT_TRUE(o.h.Empty());

  // An undo asked for from inside an undo does nothing.
  o.Add(0.4, 0.4);
  o.Add(0.5, 0.5);
  o.undoFromReaction = true;
  o.h.Undo();
  EXPECT_EQ(o.items.size(), 4u);
  EXPECT_EQ(o.h.StepCount(), 1u);
}

TEST(Historique, OldestStepGoesFirstAtCapacity) {
  TOwner o;
  TItem& m = o.Add(0, 0);
  const int32_t firstGroup = o.h.Step(0).GroupNumber();
  for (std::size_t i = 1; i < THistorique::kCapacity; ++i) o.Move(m, double(i), 0);
  ASSERT_EQ(o.h.StepCount(), THistorique::kCapacity);
  EXPECT_EQ(o.h.Step(0).Action(), haPoserPointage);
  o.Move(m, -1, -1);
  EXPECT_EQ(o.h.StepCount(), THistorique::kCapacity);
  EXPECT_EQ(o.h.Step(0).Action(), haDeplacer);
  EXPECT_GT(o.h.Step(0).GroupNumber(), firstGroup);
  o.h.Undo();
  EXPECT_DOUBLE_EQ(m.x, double(THistorique::kCapacity - 1));
}
