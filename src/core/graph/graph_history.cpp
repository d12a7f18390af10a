#include "core/graph/graph_history.h"

#include "core/graph/figures.h"

namespace kinevo {

std::string GraphActionWord(int action) {
  static const char* const kWords[] = {"",         "Couleur",  "Courber",   "Créer",
                                       "Déformer", "Déplacer", "Dupliquer", "Changer sens",
                                       "Modifier", "Pivoter",  "Supprimer"};
  return action >= gaCouleur && action <= gaSupprimer ? kWords[action] : "";
}

void TGraphHistory::Push(std::unique_ptr<TGElem> e, int action) {
  if (steps_.size() >= kCapacity) steps_.pop_front();
  const int group = nesting_ > 0 ? counter_ : ++counter_;
  steps_.push_back({std::move(e), group, action});
}

void TGraphHistory::Record(const TGElem& e, int action) {
  if (undoing_ || e.Kind() == obModele || e.Kind() == obPoint) return;
  std::unique_ptr<TGElem> copy = e.Clone();
  if (!copy) return;
  copy->TakeIdOf(e);
  copy->selected = false;
  Push(std::move(copy), action);
}

void TGraphHistory::RecordDeleted(std::unique_ptr<TGElem> e) {
  if (undoing_ || !e) return;
  e->selected = false;
  Push(std::move(e), gaSupprimer);
}

void TGraphHistory::BeginGroup() {
  if (nesting_++ == 0) ++counter_;
}

void TGraphHistory::EndGroup() {
  if (nesting_ > 0) --nesting_;
}

bool TGraphHistory::IsNoOp(const TStep& s) const {
  if (s.action == gaCreer || s.action == gaDupliquer || s.action == gaSupprimer) return false;
  const TGElem* live = owner_.FindElement(s.element->Id());
  return live == nullptr || live->Equals(*s.element);
}

std::size_t TGraphHistory::EffectiveEnd() const {
  std::size_t end = steps_.size();
  while (end > 0 && IsNoOp(steps_[end - 1])) --end;
  return end;
}

void TGraphHistory::Undo() {
  if (undoing_) return;
  steps_.resize(EffectiveEnd());
  if (steps_.empty()) return;
  undoing_ = true;
  const int group = steps_.back().group;
  while (!steps_.empty() && steps_.back().group == group) {
    TStep s = std::move(steps_.back());
    steps_.pop_back();
    if (s.action == gaCreer || s.action == gaDupliquer) {
      owner_.RemoveElement(s.element->Id());
    } else if (s.action == gaSupprimer) {
      owner_.RestoreElement(std::move(s.element));
    } else if (TGElem* live = owner_.FindElement(s.element->Id())) {
      const bool selected = live->selected;
      live->Assign(*s.element);
      live->selected = selected;
      owner_.Replace(*live);
    }
  }
  undoing_ = false;
}

std::string TGraphHistory::UndoCaption() const {
  const std::size_t end = EffectiveEnd();
  if (end == 0) return {};
  const TStep& last = steps_[end - 1];
  bool sameAction = true, sameKind = true;
  for (std::size_t i = end; i > 0 && steps_[i - 1].group == last.group; --i) {
    sameAction = sameAction && steps_[i - 1].action == last.action;
    sameKind = sameKind && steps_[i - 1].element->Kind() == last.element->Kind();
  }
  std::string caption = "Annuler";
  if (sameAction) {
    caption += " " + GraphActionWord(last.action);
    const std::string kind = FigureKindWord(last.element->Kind());
    if (sameKind && !kind.empty()) caption += " " + kind;
  }
  return caption;
}

void TGraphHistory::Clear() {
  steps_.clear();
  nesting_ = 0;
}

}  // namespace kinevo
