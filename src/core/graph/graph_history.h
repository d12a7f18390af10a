#pragma once
// The undo history of a graph's drawn figures: copies of figures taken
// before they change, grouped by user action and undone group by group from
// the last one.  A copy keeps the serial id of its figure; a deleted figure
// is kept itself, to be put back as it was.  At most 500 copies are kept,
// the oldest going first.  There is no redo.
#include <cstddef>
#include <deque>
#include <memory>
#include <string>

#include "core/graph/graph_elements.h"

namespace kinevo {

enum TGraphAction : int {
  gaCouleur = 1,
  gaCourber = 2,
  gaCreer = 3,
  gaDeformer = 4,
  gaDeplacer = 5,
  gaDupliquer = 6,
  gaChangerSens = 7,
  gaModifier = 8,
  gaPivoter = 9,
  gaSupprimer = 10,
};
// The word of the undo caption ("" for an unknown code).
std::string GraphActionWord(int action);

// What the history needs from the graph that owns the live figures.
class IGraphHistoryOwner {
 public:
  virtual ~IGraphHistoryOwner() = default;
  virtual TGElem* FindElement(int id) = 0;
  // Undo of a creation or duplication: the live figure goes away.
  virtual void RemoveElement(int id) = 0;
  // Undo of a deletion: the kept figure comes back, on top.
  virtual void RestoreElement(std::unique_ptr<TGElem> element) = 0;
  // Undo of a change: the live figure has taken its former state and is
  // placed again in the graph's current window.
  virtual void Replace(TGElem& live) = 0;
};

class TGraphHistory {
 public:
  static constexpr std::size_t kCapacity = 500;

  struct TStep {
    std::unique_ptr<TGElem> element;
    int group = 0;
    int action = 0;
  };

  explicit TGraphHistory(IGraphHistoryOwner& owner) : owner_(owner) {}
  TGraphHistory(const TGraphHistory&) = delete;
  TGraphHistory& operator=(const TGraphHistory&) = delete;

  // Records a copy of `e`.  Nothing is recorded while an undo is applied,
  // nor for the model and the data points.  Outside a group the record is
  // a group of its own.
  void Record(const TGElem& e, int action);
  // Records a deleted figure itself (action "Supprimer").
  void RecordDeleted(std::unique_ptr<TGElem> e);
  // One user action; nested groups merge into the outer one.
  void BeginGroup();
  void EndGroup();

  // Drops trailing copies that would change nothing, then undoes the last
  // group.  Nothing happens when empty.
  void Undo();
  // "Annuler", the action word when the whole group has one action, then
  // the kind word when it also has one kind; "" when nothing can be undone.
  std::string UndoCaption() const;
  void Clear();

  std::size_t Size() const { return steps_.size(); }
  const TStep& Step(std::size_t i) const { return steps_[i]; }
  int GroupCounter() const { return counter_; }

 private:
  void Push(std::unique_ptr<TGElem> e, int action);
  // The index just past the last step that would do something.
  std::size_t EffectiveEnd() const;
  bool IsNoOp(const TStep& s) const;

  IGraphHistoryOwner& owner_;
  std::deque<TStep> steps_;
  int counter_ = 0;
  int nesting_ = 0;
  bool undoing_ = false;
};

// Opens a group for the life of the object.
class TGraphHistoryGroup {
 public:
  explicit TGraphHistoryGroup(TGraphHistory& h) : h_(h) { h_.BeginGroup(); }
  ~TGraphHistoryGroup() { h_.EndGroup(); }
  TGraphHistoryGroup(const TGraphHistoryGroup&) = delete;
  TGraphHistoryGroup& operator=(const TGraphHistoryGroup&) = delete;

 private:
  TGraphHistory& h_;
};

}  // namespace kinevo
