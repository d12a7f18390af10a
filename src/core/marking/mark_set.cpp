#include "core/marking/mark_set.h"

#include <algorithm>
#include <cctype>
#include <climits>

#include "core/common/palette.h"
#include "core/common/text_utils.h"
#include "core/marking/layer.h"

namespace kinevo {

std::string DefaultSystemName(int i) { return "du point n°" + std::to_string(i + 1); }

namespace {}  // namespace

// ---------------------------------------------------------------- TPolyContainer

TPolyContainer::TPolyContainer(THistKind kind, IMarkingHost* host, TRepere* frame)
    : THistObject(kind), host_(host), frame_(frame) {
  drawList_.reserve(1024);
  containers_.reserve(1024);
  DefaultNames();
}

TPolyContainer::~TPolyContainer() = default;

void TPolyContainer::DefaultNames() {
  names_.clear();
  for (int i = 0; i < systems_; ++i) names_.push_back(DefaultSystemName(i));
}

std::string TPolyContainer::SystemName(int i) const {
  if (i < 0 || i >= static_cast<int>(names_.size())) return "";
  return names_[static_cast<std::size_t>(i)];
}

void TPolyContainer::SetSystemName(int i, const std::string& name) {
  if (i < 0 || i >= static_cast<int>(names_.size())) return;
  names_[static_cast<std::size_t>(i)] = name;
}

// ------------------------------------------------------------ renumbering

// The containers are kept sorted by (key, creation order), the key being the
// image number, or INT_MAX for an empty container so that it sorts after all
// others.  A change moves one container and re-ranks only the containers
// between its old and new places.

std::size_t TPolyContainer::SortedPosition(const TContainer* c) const {
  auto it = std::lower_bound(
      sorted_.begin(), sorted_.end(), c, [](const TContainer* a, const TContainer* b) {
        return a->sortKey_ != b->sortKey_ ? a->sortKey_ < b->sortKey_ : a->sequence_ < b->sequence_;
      });
  return static_cast<std::size_t>(it - sorted_.begin());
}

void TPolyContainer::RankRange(std::size_t from, std::size_t to) {
  for (std::size_t i = from; i < to && i < sorted_.size(); ++i)
    sorted_[i]->MarksContainerMarkNumber = static_cast<int32_t>(i);
}

void TPolyContainer::InsertSorted(TContainer* c) {
  c->sortKey_ = c->marks_.empty() ? INT32_MAX : c->MarksContainerFrameNumber;
  const std::size_t pos = SortedPosition(c);
  sorted_.insert(sorted_.begin() + static_cast<std::ptrdiff_t>(pos), c);
  RankRange(pos, sorted_.size());
}

void TPolyContainer::Touch(TContainer* c) {
  const int32_t key = c->marks_.empty() ? INT32_MAX : c->MarksContainerFrameNumber;
  if (key == c->sortKey_) return;
  const std::size_t from = SortedPosition(c);
  if (from >= sorted_.size() || sorted_[from] != c) {  // not listed: rebuild
    Renumber();
    return;
  }
  sorted_.erase(sorted_.begin() + static_cast<std::ptrdiff_t>(from));
  c->sortKey_ = key;
  const std::size_t to = SortedPosition(c);
  sorted_.insert(sorted_.begin() + static_cast<std::ptrdiff_t>(to), c);
  RankRange(std::min(from, to), std::max(from, to) + 1);
}

void TPolyContainer::Renumber() {
  sorted_.clear();
  for (auto& c : containers_) {
    c->sortKey_ = c->marks_.empty() ? INT32_MAX : c->MarksContainerFrameNumber;
    sorted_.push_back(c.get());
  }
  std::sort(sorted_.begin(), sorted_.end(), [](const TContainer* a, const TContainer* b) {
    return a->sortKey_ != b->sortKey_ ? a->sortKey_ < b->sortKey_ : a->sequence_ < b->sequence_;
  });
  RankRange(0, sorted_.size());
}

int TPolyContainer::DisplayedNumber(const TContainer& c) const {
  const bool fromZero = host_ != nullptr && host_->NumberFromZero();
  return c.MarksContainerMarkNumber + (fromZero ? 0 : 1);
}

// ------------------------------------------------------------ lists

void TPolyContainer::AddToDrawList(TMarque* m) {
  const int32_t index = m->ListIndex();
  if (index >= 0 && index <= static_cast<int32_t>(drawList_.size()))
    drawList_.insert(drawList_.begin() + index, m);
  else
    drawList_.push_back(m);
  movedIndex_ = -1;
  if (host_ != nullptr) host_->MarksChanged();
}

int TPolyContainer::RemoveFromDrawList(TMarque* m) {
  // Usually the last one (right button) or near its remembered place.
  int index = -1;
  for (int i = static_cast<int>(drawList_.size()) - 1; i >= 0; --i)
    if (drawList_[static_cast<std::size_t>(i)] == m) {
      index = i;
      break;
    }
  if (index < 0) return -1;
  drawList_.erase(drawList_.begin() + index);
  movedIndex_ = -1;
  moving_ = false;
  if (host_ != nullptr) host_->MarksChanged();
  return index;
}

TContainer* TPolyContainer::ContainerOf(int imageNumber) const {
  auto it = byImage_.find(imageNumber);
  return it != byImage_.end() ? it->second : nullptr;
}

int TPolyContainer::CountOnImage(int imageNumber) const {
  const TContainer* c = ContainerOf(imageNumber);
  return c != nullptr ? c->Count() : -1;
}

TContainer* TPolyContainer::ObtainContainer(int imageNumber) {
  if (TContainer* c = ContainerOf(imageNumber)) return c;
  auto c = std::make_unique<TContainer>(imageNumber, frame_, this);
  c->sequence_ = nextSequence_++;
  TContainer* raw = c.get();
  containers_.push_back(std::move(c));
  byImage_[imageNumber] = raw;
  InsertSorted(raw);
  return raw;
}

TMarque* TPolyContainer::FindMarkById(int32_t id) const {
  for (TMarque* m : drawList_)
    if (m->Id() == id) return m;
  return nullptr;
}

TMarque* TPolyContainer::HitMark(const TPixel& p) const {
  for (TMarque* m : drawList_)
    if (m->HitTest(p)) return m;
  return nullptr;
}

int TPolyContainer::MinMarksPerSystem() const {
  if (systems_ <= 0) return INT32_MAX;
  std::vector<int> counts(static_cast<std::size_t>(systems_), 0);
  for (const TMarque* m : drawList_)
    if (m->MarkOrderNumber >= 0 && m->MarkOrderNumber < systems_)
      ++counts[static_cast<std::size_t>(m->MarkOrderNumber)];
  return *std::min_element(counts.begin(), counts.end());
}

int TPolyContainer::LastMarkedImage() const {
  return containers_.empty() ? 0 : containers_.back()->MarksContainerFrameNumber;
}

// ------------------------------------------------------------ operations

bool TPolyContainer::InsertMark(std::unique_ptr<TMarque> mark, THistAction action) {
  if (!mark) return false;
  TContainer* c = mark->Container();
  if (c == nullptr || ContainerOf(c->MarksContainerFrameNumber) != c) return false;
  const int system = mark->MarkOrderNumber;
  if (c->MarkOf(system) != nullptr) return false;
  if (!c->AddMark(std::move(mark))) return false;
  if (host_ != nullptr) host_->InvalidateActiveResults();
  if (action == haPoserPointage && host_ != nullptr) {
    IVideoView& view = host_->View();
    view.GoToImage(c->MarksContainerFrameNumber);
    if (system + 1 == systems_) view.AdvanceImages(host_->FramesNumberBetweenTwoMarks());
    SetCurrentSystem(system + 1);
  }
  return true;
}

bool TPolyContainer::DeleteMark(TMarque* mark, THistAction action) {
  if (mark == nullptr || mark->Set() != this) return false;
  TContainer* c = mark->Container();
  if (c == nullptr || ContainerOf(c->MarksContainerFrameNumber) != c) return false;
  const int system = mark->MarkOrderNumber;
  if (!c->RemoveMark(mark, action)) return false;
  if (action == haSupprimerPointage && host_ != nullptr) {
    host_->View().GoToImage(c->MarksContainerFrameNumber);
    SetCurrentSystem(c->Count() > 0 ? std::clamp(system, 0, std::max(0, systems_ - 1)) : 0);
  }
  return true;
}

bool TPolyContainer::RemoveLast() {
  if (drawList_.empty()) return false;
  return DeleteMark(drawList_.back(), haSupprimerPointage);
}

int TPolyContainer::RemoveMarksOfImage(int imageNumber) {
  TContainer* c = ContainerOf(imageNumber);
  return c != nullptr ? c->RemoveAllMarks() : 0;
}

void TPolyContainer::RemoveSystem(int system) {
  for (auto& c : containers_) c->RemoveSystem(system);
}

void TPolyContainer::SetSystemsCount(int n) {
  if (n < 1 || n == systems_) return;
  const int m = systems_;
  if (n > m) {
    if (host_ != nullptr) host_->EnsureMarkColors(n);
    for (int i = m; i < n; ++i)
      if (static_cast<int>(names_.size()) <= i) names_.push_back(DefaultSystemName(i));
    systems_ = n;
  } else {
    for (int s = m - 1; s >= n; --s) {
      RemoveSystem(s);
      if (s < static_cast<int>(names_.size())) names_.erase(names_.begin() + s);
    }
    systems_ = n;
    SetCurrentSystem(current_);
  }
  if (host_ != nullptr) {
    host_->InvalidateActiveResults();
    host_->SystemsCountChanged();
  }
}

void TPolyContainer::SetCurrentSystem(int s) {
  if (s == -1) s = systems_ - 1;
  if (s < 0 || s >= systems_) s = 0;
  current_ = s;
  if (host_ != nullptr) host_->View().UpdateCursor();
}

void TPolyContainer::Clear() {
  moving_ = erasing_ = false;
  movedIndex_ = -1;
  drawList_.clear();
  sorted_.clear();
  byImage_.clear();
  containers_.clear();
  drawList_.shrink_to_fit();
  containers_.shrink_to_fit();
  drawList_.reserve(1024);
  containers_.reserve(1024);
  DefaultNames();
  if (host_ != nullptr) host_->MarksChanged();
}

void TPolyContainer::ResetOptions() {
  systems_ = 1;
  current_ = 0;
  MarksNumberPosition = npDown;
  MarksIsAllDrawn = true;
  MarksNumberToDraw = 1;
}

bool TPolyContainer::HasDefaultNames() const {
  for (std::size_t i = 0; i < names_.size() && static_cast<int>(i) < systems_; ++i)
    if (!SameName(names_[i], DefaultSystemName(static_cast<int>(i)))) return false;
  return true;
}

TMarque* TPolyContainer::LoadMark(int imageNumber, int system, const TPictureCoord& value) {
  if (system < 0) return nullptr;
  TContainer* c = ObtainContainer(imageNumber);
  if (c->MarkOf(system) != nullptr) return nullptr;
  auto m = c->NewMark();
  m->MarkOrderNumber = system;
  if (Kind() == hkPolyMarqueImgTsp)
    m->SetRelative(value);
  else
    m->SetPicture(value);
  TMarque* raw = m.get();
  return c->AddMark(std::move(m)) ? raw : nullptr;
}

void TPolyContainer::LoadSystems(int n, const std::vector<std::string>& names) {
  systems_ = std::max(1, n);
  names_ = names;
  for (int i = static_cast<int>(names_.size()); i < systems_; ++i)
    names_.push_back(DefaultSystemName(i));
  // The Layer set always holds the name of the point its layer follows.
  if (Kind() == hkPolyMarqueImgTsp && names_.size() < 2) names_.push_back(DefaultSystemName(1));
  if (current_ >= systems_) current_ = 0;
}

// ------------------------------------------------------------ undo support

void TPolyContainer::Assign(const THistObject& source) {
  THistObject::Assign(source);
  const auto* s = dynamic_cast<const TPolyContainer*>(&source);
  if (s == nullptr || s == this) return;
  MarksIsAllDrawn = s->MarksIsAllDrawn;
  MarksNumberToDraw = s->MarksNumberToDraw;
  MarksNumberPosition = s->MarksNumberPosition;
  systems_ = s->systems_;
  current_ = s->current_;
  names_ = s->names_;
  moving_ = erasing_ = false;
  movedIndex_ = -1;

  std::unordered_map<int32_t, TMarque*> byId;  // the marks of this set after the copy
  std::unordered_map<int32_t, bool> wanted;
  for (const TMarque* m : s->drawList_) wanted[m->Id()] = true;
  for (const auto& sc : s->containers_) {
    TContainer* c = ObtainContainer(sc->MarksContainerFrameNumber);
    // Marks that the source does not hold leave without being recorded.
    for (std::size_t i = c->marks_.size(); i-- > 0;)
      if (!wanted.count(c->marks_[i]->Id()))
        c->marks_.erase(c->marks_.begin() + static_cast<std::ptrdiff_t>(i));
    std::vector<std::unique_ptr<TMarque>> ordered;
    for (const auto& sm : sc->marks_) {
      std::unique_ptr<TMarque> mine;
      for (auto& lm : c->marks_)
        if (lm && lm->Id() == sm->Id()) mine = std::move(lm);
      if (!mine) {
        mine = c->NewMark();
        mine->TakeIdOf(*sm);
      }
      mine->Assign(*sm);
      mine->UpdateScreenPoint();
      byId[mine->Id()] = mine.get();
      ordered.push_back(std::move(mine));
    }
    c->marks_ = std::move(ordered);
  }
  // Containers the source does not know are emptied.
  for (auto& c : containers_) {
    bool known = false;
    for (const auto& sc : s->containers_)
      if (sc->MarksContainerFrameNumber == c->MarksContainerFrameNumber) known = true;
    if (!known) c->marks_.clear();
  }
  // The drawing order of the source.
  drawList_.clear();
  for (const TMarque* m : s->drawList_) {
    auto it = byId.find(m->Id());
    if (it != byId.end()) drawList_.push_back(it->second);
  }
  Renumber();
  if (host_ != nullptr) host_->MarksChanged();
}

bool TPolyContainer::Equals(const THistObject& other) const {
  const auto* s = dynamic_cast<const TPolyContainer*>(&other);
  if (s == nullptr || systems_ != s->systems_ || names_ != s->names_ ||
      drawList_.size() != s->drawList_.size())
    return false;
  for (std::size_t i = 0; i < drawList_.size(); ++i)
    if (drawList_[i]->Id() != s->drawList_[i]->Id() || !drawList_[i]->Equals(*s->drawList_[i]))
      return false;
  return true;
}

// ------------------------------------------------------------ tools

TMarque* TPolyContainer::MovedMark() const {
  if (!moving_ || movedIndex_ < 0 || movedIndex_ >= static_cast<int>(drawList_.size()))
    return nullptr;
  return drawList_[static_cast<std::size_t>(movedIndex_)];
}

void TPolyContainer::MovePress(int x, int y) {
  if (IsGestureInProgress() || host_ == nullptr) return;
  for (std::size_t i = 0; i < drawList_.size(); ++i)
    if (drawList_[i]->HitTest({x, y})) {
      host_->ActiveHistory().RecordStep(*drawList_[i], haDeplacer);
      movedIndex_ = static_cast<int>(i);
      moving_ = true;
      pressedAt_ = drawList_[i]->GetPicture();
      return;
    }
}

void TPolyContainer::MoveMove(int x, int y) {
  if (host_ == nullptr) return;
  if (moving_) {
    if (TMarque* m = MovedMark()) {
      m->SetScreenPosition(x, y);
      host_->View().Repaint();
    }
    return;
  }
  host_->View().SetViewCursor(HitMark({x, y}) != nullptr ? "Selection" : "Deplacer");
}

void TPolyContainer::MoveRelease() {
  EndMove();
  if (host_ != nullptr) host_->View().SetViewCursor("Deplacer");
}

void TPolyContainer::EndMove() {
  // A mark left elsewhere than it was taken is a change of the marks.
  const TMarque* m = MovedMark();
  const bool moved =
      m != nullptr && (m->GetPicture().x != pressedAt_.x || m->GetPicture().y != pressedAt_.y);
  moving_ = false;
  movedIndex_ = -1;
  if (moved && host_ != nullptr) host_->MarksChanged();
}

void TPolyContainer::OpenEraseRect(int x, int y) {
  if (IsGestureInProgress()) return;
  erasing_ = true;
  eraseRect_ = {x, y, x, y};
}

void TPolyContainer::EraseMove(int x, int y) {
  if (host_ == nullptr) return;
  if (erasing_) {
    eraseRect_.right = x;
    eraseRect_.bottom = y;
    host_->View().Repaint();
    return;
  }
  host_->View().SetViewCursor(HitMark({x, y}) != nullptr ? "SelGomme" : "Gomme");
}

std::vector<TMarque*> TPolyContainer::CloseEraseRect() {
  std::vector<TMarque*> inside;
  if (!erasing_) return inside;
  erasing_ = false;
  for (std::size_t i = drawList_.size(); i-- > 0;)
    if (drawList_[i]->InRectangle(eraseRect_)) inside.push_back(drawList_[i]);
  return inside;
}

void TPolyContainer::CancelGesture() {
  EndMove();
  erasing_ = false;
}

void TPolyContainer::UpdateScreenPoints() {
  for (TMarque* m : drawList_) m->UpdateScreenPoint();
}

void TPolyContainer::Draw(Canvas& canvas) const {
  if (host_ == nullptr) return;
  if (erasing_) {
    const TPixelRect& r = eraseRect_;
    canvas.FocusRect({std::min(r.left, r.right), std::min(r.top, r.bottom),
                      std::max(r.left, r.right), std::max(r.top, r.bottom)});
  }
  const int count = static_cast<int>(drawList_.size());
  const int first = MarksIsAllDrawn ? 0 : std::max(0, count - MarksNumberToDraw);
  const TFont oldFont = canvas.Font();
  const TBrush oldBrush = canvas.Brush();
  for (int i = first; i < count; ++i) {
    const TMarque* m = drawList_[static_cast<std::size_t>(i)];
    const int s = m->MarkOrderNumber;
    DrawNumberedMark(canvas, host_->GraphUtils(),
                     {m->ScreenPoint(), host_->MarkColor(s), host_->ElementSize(), s,
                      MarksNumberPosition, std::to_string(DisplayedNumber(*m->Container()))},
                     oldFont, oldBrush);
  }
  canvas.SetFont(oldFont);
  canvas.SetBrush(oldBrush);
}

void DrawNumberedMark(Canvas& canvas, const TGraphUtils& gu, const TMarkLook& mark,
                      const TFont& font, const TBrush& brush) {
  const int size = std::clamp(mark.elementSize, 0, 2);
  static constexpr int kOffset[3] = {0, 4, 7};
  const int c = kOffset[size];
  const TPixel p = mark.at;
  gu.DrawSymbolCycled(canvas, p, mark.colour, size, mark.system);
  if (mark.numberPosition == npNone) return;
  TFont f = font;
  if (size == 1) f.size = 12;
  if (size == 2) f.size = 15;
  f.color = mark.colour;
  canvas.SetFont(f);
  canvas.SetBrush(TBrush{brush.color, TBrushStyle::bsClear});
  if (mark.numberPosition == npRight)
    canvas.TextOut(p.x + c + 8, p.y - c / 2 - 7, mark.number, false);
  else
    canvas.TextOut(p.x - c / 2 - 2, p.y + c + 4, mark.number, false);
}

// ---------------------------------------------------------------- Grid set

TPolyMarqueImgRep::TPolyMarqueImgRep(IMarkingHost* host, TRepereFixe* frame)
    : TPolyContainer(hkPolyMarqueImgRep, host, frame) {}

std::unique_ptr<THistObject> TPolyMarqueImgRep::NewSnapshot() const {
  return std::make_unique<TPolyMarqueImgRep>(nullptr, static_cast<TRepereFixe*>(frame_));
}

void TPolyMarqueImgRep::SetSystemsCount(int n) { TPolyContainer::SetSystemsCount(n); }

bool TPolyMarqueImgRep::PlaceMark(int x, int y) {
  if (host_ == nullptr) return false;
  IVideoView& view = host_->View();
  const int s = current_;
  if (s < 0 || s >= systems_) return false;
  TContainer* c = ObtainContainer(view.CurrentImage());
  if (c->CheckDuplicate(s)) return false;
  auto m = c->NewMark();
  m->MarkOrderNumber = s;
  m->SetScreenPosition(x, y);
  TMarque* raw = m.get();
  if (!c->AddMark(std::move(m))) return false;
  host_->ActiveHistory().RecordStep(*raw, haPoserPointage);
  host_->InvalidateActiveResults();
  if (s + 1 == systems_) view.AdvanceImages(host_->FramesNumberBetweenTwoMarks());
  SetCurrentSystem(s + 1);
  return true;
}

// ---------------------------------------------------------------- Layer set

TPolyMarqueImgTsp::TPolyMarqueImgTsp(IMarkingHost* host, TTransparent* layer)
    : TPolyContainer(hkPolyMarqueImgTsp, host, layer) {
  names_.push_back(DefaultSystemName(1));
}

std::unique_ptr<THistObject> TPolyMarqueImgTsp::NewSnapshot() const {
  return std::make_unique<TPolyMarqueImgTsp>(nullptr, Layer());
}

TTransparent* TPolyMarqueImgTsp::Layer() const { return static_cast<TTransparent*>(frame_); }

bool TPolyMarqueImgTsp::InsertMark(std::unique_ptr<TMarque> mark, THistAction action) {
  if (!TPolyContainer::InsertMark(std::move(mark), action)) return false;
  if (action == haPoserPointage && Layer() != nullptr) Layer()->StepForward();
  return true;
}

void TPolyMarqueImgTsp::Clear() {
  TPolyContainer::Clear();
  names_.push_back(DefaultSystemName(1));
}

bool TPolyMarqueImgTsp::HasDefaultNames() const {
  return TPolyContainer::HasDefaultNames() && names_.size() >= 2 &&
         SameName(names_[1], DefaultSystemName(1));
}

bool TPolyMarqueImgTsp::DeleteMark(TMarque* mark, THistAction action) {
  if (!TPolyContainer::DeleteMark(mark, action)) return false;
  if (action == haSupprimerPointage && Layer() != nullptr) Layer()->StepBack();
  return true;
}

void TPolyMarqueImgTsp::SetSystemsCount(int /*n*/) {}

void TPolyMarqueImgTsp::SetCurrentSystem(int /*s*/) {
  current_ = 0;
  if (host_ != nullptr) host_->View().UpdateCursor();
}

bool TPolyMarqueImgTsp::PlaceLayerMark(int x, int y) {
  if (host_ == nullptr || Layer() == nullptr) return false;
  IVideoView& view = host_->View();
  const int image = view.CurrentImage();
  TContainer* c = ObtainContainer(image);
  if (c->CheckDuplicate(0)) return false;
  auto m = c->NewMark();
  m->MarkOrderNumber = 0;
  m->SetScreenPosition(x, y);
  TMarque* raw = m.get();
  if (!c->AddMark(std::move(m))) return false;
  host_->ActiveHistory().RecordStep(*raw, haPoserPointage);
  host_->InvalidateActiveResults();
  Layer()->SetLastOrigineImageNumber(image);
  view.AdvanceImages(host_->FramesNumberBetweenTwoMarks());
  Layer()->StepForward();
  return true;
}

bool TPolyMarqueImgTsp::RemoveMarkOfImage(int imageNumber) {
  TContainer* c = ContainerOf(imageNumber);
  if (c == nullptr) return false;
  TMarque* m = c->MarkOf(0);
  return m != nullptr && DeleteMark(m, haSupprimer);
}

}  // namespace kinevo
