#pragma once
// Undo of the marking: snapshots of undoable objects, recorded before they
// change, grouped by user action and undone group by group, from the last
// one backwards.  There is no redo.
//
// How a marking class takes part:
//   * derive from THistObject, passing its kind (hkEchelle ...);
//   * override NewSnapshot() to create a blank object of the same class,
//     bound like this one (a mark to the same frame, mark set and image
//     container; others free-standing); the history then copies the state
//     with Assign() and gives the snapshot the live object's id;
//   * override Assign() and Equals(), calling the base versions, for its own
//     state (floats compare within 1e-100, see SameValue in math_utils.h).
// Callers record before they change: a change records the object and then
// changes it; a creation records the new object once it is in place; a
// deletion records the object while taking it out, so that the snapshot keeps
// its id, its container and its remembered list index for the way back.
//
// The owner of the live objects (the marking data) implements
// IHistoryOwner: it finds live objects by id and reacts after each undone
// step.  Ownership: the history owns its snapshots; undoing a deletion hands
// the snapshot over to the owner, which puts it back as the live object.
#include <cstdint>
#include <deque>
#include <memory>
#include <string>

namespace kinevo {

enum THistAction : uint8_t {
  haNone = 0,  // a mark dropped with its system: nothing to restore
  haChoisir = 1,
  haPoser = 2,
  haPoserPointage = 3,
  haDeplacerAjout = 4,
  haDeplacerPointage = 5,
  haDefinir = 6,
  haDeformer = 7,
  haDeplacer = 8,
  haEffacer = 9,
  haChangerSens = 10,
  haModifier = 11,
  haPivoter = 12,
  haSupprimer = 13,
  haSupprimerPointage = 14,
  haDeplacerRetrait = 15,
  haDeplacerRecul = 16,
};

// Actions 2 to 5 record a creation (undo deletes the object), 13 to 16 a
// deletion (undo puts the snapshot back), all others a change (undo copies
// the snapshot into the live object).
constexpr bool IsCreation(THistAction a) { return a >= haPoser && a <= haDeplacerPointage; }
constexpr bool IsDeletion(THistAction a) { return a >= haSupprimer && a <= haDeplacerRecul; }
// The verb the undo command shows ("" for haNone and unknown codes).
std::string HistActionVerb(THistAction a);

// Kinds of undoable objects.  Image containers have kind 0 and are never
// recorded.
using THistKind = uint8_t;
constexpr THistKind hkNone = 0;
constexpr THistKind hkEchelle = 1;           // TEchelle, the scale
constexpr THistKind hkMarqueRep = 2;         // Grid mark
constexpr THistKind hkMarqueTsp = 3;         // Layer mark
constexpr THistKind hkOrigine = 4;           // layer origin position
constexpr THistKind hkPolyMarqueImgRep = 5;  // Grid mark set
constexpr THistKind hkPolyMarqueImgTsp = 6;  // Layer mark set
constexpr THistKind hkRepereFixe = 7;        // fixed frame
constexpr THistKind hkTransparent = 8;       // layer
constexpr THistKind hkEtalonnage = 9;        // lens correction and plane calibration
// The noun the undo command shows for a kind ("" for 0, 5, 6 and unknown).
std::string HistKindNoun(THistKind k);

class THistObject {
 public:
  // Takes a new process-unique id (the counter of ids plus one).
  explicit THistObject(THistKind kind = hkNone);
  virtual ~THistObject() = default;
  // Objects are copied through NewSnapshot() and Assign() only, so that two
  // live objects never share an id by accident.
  THistObject(const THistObject&) = delete;
  THistObject& operator=(const THistObject&) = delete;

  int32_t Id() const { return id_; }
  THistKind Kind() const { return kind_; }
  THistAction Action() const { return action_; }
  void SetAction(THistAction a) { action_ = a; }
  // Snapshots only: the undo group they belong to.
  int32_t GroupNumber() const { return groupNumber_; }
  // The object's index in the list that owns it (−1 when none), remembered
  // so that an object put back returns to its former place.
  int32_t ListIndex() const { return listIndex_; }
  void SetListIndex(int32_t i) { listIndex_ = i; }

  // Copies the state of `source`.  The base copies action, kind and list
  // index, not the id nor the group number.
  virtual void Assign(const THistObject& source);
  // Compares the state with `other`.  The base answers true.
  virtual bool Equals(const THistObject& other) const;
  // A blank object of the same class, bound like this one, to receive a
  // snapshot; nullptr for objects that are never recorded.
  virtual std::unique_ptr<THistObject> NewSnapshot() const { return nullptr; }

  // The last id handed out in this process.
  static int32_t LastId();

 protected:
  // For classes that rebuild an object under a known id (reading a file).
  void SetId(int32_t id) { id_ = id; }
  // For Reset() of classes whose kind is fixed.
  void SetKind(THistKind kind) { kind_ = kind; }

 private:
  friend class THistorique;
  int32_t id_;
  int32_t groupNumber_ = 0;
  int32_t listIndex_ = -1;
  THistAction action_ = haNone;
  THistKind kind_;
};

// What a history needs from the owner of the live objects.
class IHistoryOwner {
 public:
  virtual ~IHistoryOwner() = default;
  // The live object with this id, or nullptr.
  virtual THistObject* FindObject(int32_t id) = 0;
  // After an undone creation (the live object, which the owner now removes)
  // or an undone change (the live object, which has copied the snapshot).
  virtual void AfterUndo(THistObject& live, THistAction action) = 0;
  // After an undone deletion: the snapshot becomes the live object again,
  // under the deleted object's id; the owner takes it and puts it back.
  virtual void AfterUndoDeletion(std::unique_ptr<THistObject> restored, THistAction action) = 0;
};

class THistorique {
 public:
  static constexpr std::size_t kCapacity = 65536;

  explicit THistorique(IHistoryOwner* owner = nullptr) : owner_(owner) {}
  THistorique(const THistorique&) = delete;
  THistorique& operator=(const THistorique&) = delete;

  void SetOwner(IHistoryOwner* owner) { owner_ = owner; }

  // Appends a snapshot of `object` with `action`.  Nothing happens while
  // suspended or for an object that gives no snapshot (kind 0 or unknown).
  // At capacity the oldest step goes first, even when that splits a group.
  void RecordStep(const THistObject& object, THistAction action);

  // Bracket several records into one undo step; they nest, and nested groups
  // merge into the outer one.
  void BeginGroup();
  void EndGroup();

  // Undoes the last group (after dropping trailing steps that would change
  // nothing).  Does nothing when empty or when called from inside an undo.
  void Undo();
  // "Annuler", then the verb when the whole last group has one action, then
  // the noun when it also has one kind; "" when nothing can be undone.
  // With purge false the trailing steps are kept: a step recorded when a drag
  // began still equals its object until the drag moves it, and must survive.
  std::string UndoCaption(bool purge = true);
  // Empties the history; the suspended state is kept.
  void Clear();

  void Suspend() { suspended_ = true; }
  void Resume() { suspended_ = false; }
  bool Suspended() const { return suspended_; }

  bool Empty() const { return steps_.empty(); }
  std::size_t StepCount() const { return steps_.size(); }
  const THistObject& Step(std::size_t i) const { return *steps_[i]; }
  int32_t GroupCounter() const { return groupCounter_; }
  bool InGroup() const { return inGroup_; }

 private:
  void Purge();
  THistObject* Find(int32_t id) const {
    return owner_ != nullptr ? owner_->FindObject(id) : nullptr;
  }

  IHistoryOwner* owner_;
  std::deque<std::unique_ptr<THistObject>> steps_;
  int32_t groupCounter_ = 0;
  int32_t nesting_ = 0;
  bool inGroup_ = false;
  bool suspended_ = false;
  bool undoing_ = false;
};

// Opens a group for the life of the object.
class THistGroup {
 public:
  explicit THistGroup(THistorique& h) : h_(h) { h_.BeginGroup(); }
  ~THistGroup() { h_.EndGroup(); }
  THistGroup(const THistGroup&) = delete;
  THistGroup& operator=(const THistGroup&) = delete;

 private:
  THistorique& h_;
};

}  // namespace kinevo
