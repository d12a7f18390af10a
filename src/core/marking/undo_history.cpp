#include "core/marking/undo_history.h"

#include <atomic>
#include <typeinfo>
#include <utility>

namespace kinevo {

namespace {
// One counter of ids for the whole process, starting at 0.
std::atomic<int32_t> g_lastId{0};

// Switches recording off for a scope and puts the former state back.
class TSuspension {
 public:
  explicit TSuspension(THistorique& h) : h_(h), was_(h.Suspended()) { h_.Suspend(); }
  ~TSuspension() {
    if (!was_) h_.Resume();
  }
  TSuspension(const TSuspension&) = delete;
  TSuspension& operator=(const TSuspension&) = delete;

 private:
  THistorique& h_;
  bool was_;
};
}  // namespace

std::string HistActionVerb(THistAction a) {
  switch (a) {
    case haChoisir:
      return "Choisir";
    case haPoser:
    case haPoserPointage:
      return "Poser";
    case haDeplacerAjout:
    case haDeplacerPointage:
    case haDeplacer:
    case haDeplacerRetrait:
    case haDeplacerRecul:
      return "Déplacer";
    case haDefinir:
      return "Définir";
    case haDeformer:
      return "Déformer";
    case haEffacer:
      return "Effacer";
    case haChangerSens:
      return "Changer sens";
    case haModifier:
      return "Modifier";
    case haPivoter:
      return "Pivoter";
    case haSupprimer:
    case haSupprimerPointage:
      return "Supprimer";
    case haNone:
      break;
  }
  return "";
}

std::string HistKindNoun(THistKind k) {
  switch (k) {
    case hkEchelle:
      return "Echelle";
    case hkMarqueRep:
    case hkMarqueTsp:
      return "Marque";
    case hkOrigine:
    case hkTransparent:
      return "Transparent";
    case hkRepereFixe:
      return "Repère";
    case hkEtalonnage:
      return "Étalonnage";
    default:
      return "";
  }
}

// ---------------------------------------------------------------- THistObject

THistObject::THistObject(THistKind kind) : id_(++g_lastId), kind_(kind) {}

int32_t THistObject::LastId() { return g_lastId.load(); }

void THistObject::Assign(const THistObject& source) {
  action_ = source.action_;
  kind_ = source.kind_;
  listIndex_ = source.listIndex_;
}

bool THistObject::Equals(const THistObject& /*other*/) const { return true; }

// ---------------------------------------------------------------- THistorique

void THistorique::RecordStep(const THistObject& object, THistAction action) {
  if (suspended_) return;
  if (object.Kind() < hkEchelle || object.Kind() > hkEtalonnage) return;
  while (steps_.size() >= kCapacity) steps_.pop_front();
  std::unique_ptr<THistObject> snap = object.NewSnapshot();
  if (!snap) return;
  snap->Assign(object);
  snap->id_ = object.id_;
  if (!inGroup_) ++groupCounter_;
  snap->groupNumber_ = groupCounter_;
  snap->action_ = action;
  steps_.push_back(std::move(snap));
}

void THistorique::BeginGroup() {
  if (inGroup_)
    ++nesting_;
  else
    ++groupCounter_;
  inGroup_ = true;
}

void THistorique::EndGroup() {
  if (nesting_ < 1)
    inGroup_ = false;
  else
    --nesting_;
}

void THistorique::Purge() {
  while (!steps_.empty()) {
    const THistObject& s = *steps_.back();
    if (IsCreation(s.action_) || IsDeletion(s.action_)) return;
    THistObject* live = Find(s.id_);
    if (live != nullptr && typeid(*live) == typeid(s) && !live->Equals(s)) return;
    steps_.pop_back();
  }
}

void THistorique::Undo() {
  if (undoing_) return;
  struct TGuard {
    bool& flag;
    ~TGuard() { flag = false; }
  } guard{undoing_};
  undoing_ = true;
  Purge();
  if (!steps_.empty()) {
    const int32_t g = steps_.back()->groupNumber_;
    while (!steps_.empty() && steps_.back()->groupNumber_ == g) {
      // The step leaves the list before the owner is called, so that nothing
      // the owner does can disturb the walk through the list.
      std::unique_ptr<THistObject> s = std::move(steps_.back());
      steps_.pop_back();
      const THistAction action = s->action_;
      if (IsCreation(action)) {
        if (THistObject* live = Find(s->id_)) {
          TSuspension off(*this);
          owner_->AfterUndo(*live, action);
        }
      } else if (IsDeletion(action)) {
        if (owner_ != nullptr) {
          TSuspension off(*this);
          owner_->AfterUndoDeletion(std::move(s), action);
        }
      } else if (THistObject* live = Find(s->id_)) {
        live->Assign(*s);
        owner_->AfterUndo(*live, action);
      }
    }
  }
}

std::string THistorique::UndoCaption(bool purge) {
  if (purge) Purge();
  if (steps_.empty()) return "";
  std::string r = "Annuler";
  const THistObject& last = *steps_.back();
  bool sameAction = true, sameKind = true;
  for (auto it = steps_.rbegin(); it != steps_.rend() && (*it)->groupNumber_ == last.groupNumber_;
       ++it) {
    sameAction = sameAction && (*it)->action_ == last.action_;
    sameKind = sameKind && (*it)->kind_ == last.kind_;
  }
  if (!sameAction) return r;
  const std::string verb = HistActionVerb(last.action_);
  if (!verb.empty()) r += " " + verb;
  if (!sameKind) return r;
  const std::string noun = HistKindNoun(last.kind_);
  if (!noun.empty()) r += " " + noun;
  return r;
}

void THistorique::Clear() {
  groupCounter_ = 0;
  nesting_ = 0;
  inGroup_ = false;
  steps_.clear();
}

}  // namespace kinevo
