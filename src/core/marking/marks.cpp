#include "core/marking/marks.h"

#include <algorithm>

#include "core/common/user_dialog.h"
#include "core/marking/mark_set.h"

namespace kinevo {

// ---------------------------------------------------------------- TMarque

TMarque::TMarque(THistKind kind, TRepere* frame, TContainer* container, TPolyContainer* set)
    : THistObject(kind), frame_(frame), container_(container), set_(set) {}

void TMarque::Assign(const THistObject& source) {
  THistObject::Assign(source);
  const auto* m = dynamic_cast<const TMarque*>(&source);
  if (m == nullptr) return;
  MarkOrderNumber = m->MarkOrderNumber;
  Origin = m->Origin;
  picture_ = m->GetPicture();
  relative_ = m->GetRelative();
}

bool TMarque::Equals(const THistObject& other) const {
  const auto* m = dynamic_cast<const TMarque*>(&other);
  if (m == nullptr) return false;
  const TPictureCoord a = GetPicture(), b = m->GetPicture();
  const TPictureCoord ra = GetRelative(), rb = m->GetRelative();
  // How the mark was placed counts too: it sets the mark's uncertainty.
  return SameValue(a.x, b.x) && SameValue(a.y, b.y) && SameValue(ra.x, rb.x) &&
         SameValue(ra.y, rb.y) && Origin == m->Origin;
}

void TMarque::StoredChanged() {
  if (IMarkingContext* c = Context()) c->InvalidateActiveResults();
}

void TMarque::SetScreenPosition(int x, int y) {
  IMarkingContext* c = Context();
  if (c == nullptr) return;
  SetPicture(c->View().ScreenToPicture(x, y));
  screen_ = c->View().PictureToScreen(GetPicture());
}

void TMarque::UpdateScreenPoint() {
  if (IMarkingContext* c = Context()) screen_ = c->View().PictureToScreen(GetPicture());
}

bool TMarque::HitTest(const TPixel& p) const {
  const int pen = Context() != nullptr ? Context()->PenWidth() : 1;
  const int t = std::max(6, pen) / 2;
  return std::abs(p.x - screen_.x) <= t && std::abs(p.y - screen_.y) <= t;
}

bool TMarque::InRectangle(const TPixelRect& r) const {
  const int l = std::min(r.left, r.right), rr = std::max(r.left, r.right);
  const int t = std::min(r.top, r.bottom), b = std::max(r.top, r.bottom);
  return screen_.x >= l && screen_.x <= rr && screen_.y >= t && screen_.y <= b;
}

// Grid marks -------------------------------------------------------------

std::unique_ptr<THistObject> TMarqueRep::NewSnapshot() const {
  return std::make_unique<TMarqueRep>(Frame(), Container(), Set());
}

TPictureCoord TMarqueRep::GetRelative() const {
  const TPictureCoord o = Frame() != nullptr ? Frame()->Origin() : TPictureCoord{};
  return {picture_.x - o.x, picture_.y - o.y};
}

void TMarqueRep::SetRelative(const TPictureCoord& p) {
  const TPictureCoord o = Frame() != nullptr ? Frame()->Origin() : TPictureCoord{};
  SetPicture({p.x + o.x, p.y + o.y});
}

void TMarqueRep::SetPicture(const TPictureCoord& p) {
  const bool changed = !SameValue(p.x, picture_.x) || !SameValue(p.y, picture_.y);
  picture_ = p;
  if (changed) StoredChanged();
}

// Layer marks ------------------------------------------------------------

std::unique_ptr<THistObject> TMarqueTsp::NewSnapshot() const {
  return std::make_unique<TMarqueTsp>(Frame(), Container(), Set());
}

TPictureCoord TMarqueTsp::GetPicture() const {
  const TPictureCoord o = Frame() != nullptr ? Frame()->Origin() : TPictureCoord{};
  return {relative_.x + o.x, relative_.y + o.y};
}

void TMarqueTsp::SetRelative(const TPictureCoord& p) {
  const bool changed = !SameValue(p.x, relative_.x) || !SameValue(p.y, relative_.y);
  relative_ = p;
  if (changed) StoredChanged();
}

void TMarqueTsp::SetPicture(const TPictureCoord& p) {
  const TPictureCoord o = Frame() != nullptr ? Frame()->Origin() : TPictureCoord{};
  SetRelative({p.x - o.x, p.y - o.y});
}

// ---------------------------------------------------------------- TContainer

TMarque* TContainer::MarkOf(int system) const {
  for (const auto& m : marks_)
    if (m->MarkOrderNumber == system) return m.get();
  return nullptr;
}

bool TContainer::Equals(const TContainer& other) const {
  if (MarksContainerFrameNumber != other.MarksContainerFrameNumber ||
      MarksContainerMarkNumber != other.MarksContainerMarkNumber ||
      marks_.size() != other.marks_.size())
    return false;
  for (std::size_t i = 0; i < marks_.size(); ++i)
    if (marks_[i]->MarkOrderNumber != other.marks_[i]->MarkOrderNumber ||
        !marks_[i]->Equals(*other.marks_[i]))
      return false;
  return true;
}

bool TContainer::CheckDuplicate(int system) {
  if (MarkOf(system) == nullptr) return false;
  if (set_ != nullptr && set_->Host() != nullptr)
    set_->Host()->Dialog().Show(icInformation, {{"Ok", btOk}},
                                {"Une marque similaire existe déjà sur cette image."});
  return true;
}

std::unique_ptr<TMarque> TContainer::NewMark() const {
  if (set_ != nullptr && set_->Kind() == hkPolyMarqueImgTsp)
    return std::make_unique<TMarqueTsp>(frame_, const_cast<TContainer*>(this), set_);
  return std::make_unique<TMarqueRep>(frame_, const_cast<TContainer*>(this), set_);
}

bool TContainer::AddMark(std::unique_ptr<TMarque> mark) {
  if (!mark || MarkOf(mark->MarkOrderNumber) != nullptr) return false;
  for (const auto& m : marks_)
    if (m.get() == mark.get() || m->Id() == mark->Id()) return false;
  mark->UpdateScreenPoint();
  TMarque* raw = mark.get();
  marks_.push_back(std::move(mark));
  if (set_ != nullptr) {
    set_->AddToDrawList(raw);
    set_->Touch(this);
  }
  return true;
}

bool TContainer::RemoveMark(TMarque* mark, THistAction action) {
  auto it =
      std::find_if(marks_.begin(), marks_.end(), [&](const auto& m) { return m.get() == mark; });
  if (it == marks_.end()) return false;
  if (set_ != nullptr) {
    const int index = set_->RemoveFromDrawList(mark);
    mark->SetListIndex(index);
    if (set_->Host() != nullptr) set_->Host()->ActiveHistory().RecordStep(*mark, action);
  }
  marks_.erase(it);
  if (set_ != nullptr) {
    set_->Touch(this);
    if (set_->Host() != nullptr) set_->Host()->InvalidateActiveResults();
  }
  return true;
}

int TContainer::RemoveAllMarks() {
  int n = 0;
  while (!marks_.empty())
    if (RemoveMark(marks_.back().get(), haSupprimer)) ++n;
  return n;
}

void TContainer::RemoveSystem(int system) {
  if (TMarque* m = MarkOf(system)) RemoveMark(m, haNone);
}

TMarque* TContainer::SetMark(int system, const TPictureCoord& picture) {
  IMarkingHost* host = set_ != nullptr ? set_->Host() : nullptr;
  TMarque* m = MarkOf(system);
  if (m == nullptr) {
    auto created = NewMark();
    created->MarkOrderNumber = system;
    created->SetPicture(picture);
    m = created.get();
    if (!AddMark(std::move(created))) return nullptr;
    if (host != nullptr) {
      host->ActiveHistory().RecordStep(*m, haPoser);
      host->InvalidateActiveResults();
    }
  } else {
    if (host != nullptr) host->ActiveHistory().RecordStep(*m, haDeplacer);
    m->SetPicture(picture);
  }
  m->UpdateScreenPoint();
  return m;
}

}  // namespace kinevo
