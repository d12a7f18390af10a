#pragma once
// Marks (one marked position of one system on one image) and image
// containers (the marks of one image).  Grid marks (TMarqueRep) store their
// picture position and are measured against the fixed frame; Layer marks
// (TMarqueTsp) store their offset from the layer's origin and move on the
// view with the layer.
#include <cstdint>
#include <memory>
#include <vector>

#include "core/common/picture_coord.h"
#include "core/marking/reference_frame.h"
#include "core/marking/undo_history.h"

namespace kinevo {

class TContainer;
class TPolyContainer;
class IMarkingHost;

// How a mark was placed, which sets its standard uncertainty: a click (the
// pointing uncertainty) or the tracker (the tracking uncertainty, three
// times on an image it flagged uncertain).
enum TMarkOrigin : uint8_t { moClicked = 0, moTracked = 1, moTrackedUncertain = 2 };

class TMarque : public THistObject {
 public:
  TMarque(THistKind kind, TRepere* frame, TContainer* container, TPolyContainer* set);

  int32_t MarkOrderNumber = 0;
  TMarkOrigin Origin = moClicked;

  TRepere* Frame() const { return frame_; }
  TContainer* Container() const { return container_; }
  TPolyContainer* Set() const { return set_; }
  const TPixel& ScreenPoint() const { return screen_; }

  // Copies the system and both positions (read through the source's getters).
  void Assign(const THistObject& source) override;
  // Same picture and relative positions within 1e-100, placed the same way.
  bool Equals(const THistObject& other) const override;

  // Offset from the frame's origin (y downwards) and picture position.
  virtual TPictureCoord GetRelative() const = 0;
  virtual TPictureCoord GetPicture() const = 0;
  // Store the value (through the stored form of the class) and invalidate
  // the active results when it changed by 1e-100 or more.
  virtual void SetRelative(const TPictureCoord& p) = 0;
  virtual void SetPicture(const TPictureCoord& p) = 0;

  // Places the mark at a view pixel (clamped to the picture) and caches its
  // view point.
  void SetScreenPosition(int x, int y);
  // Caches the view point of GetPicture().
  void UpdateScreenPoint();
  // The pixel lies within half of max(6, pen width) of the view point in x and y.
  bool HitTest(const TPixel& p) const;
  // The view point lies in the rectangle, borders included, corners in any order.
  bool InRectangle(const TPixelRect& r) const;

  // Takes the id of another object (a mark rebuilt from a snapshot keeps the
  // id under which the history knows it).
  void TakeIdOf(const THistObject& o) { SetId(o.Id()); }

 protected:
  IMarkingContext* Context() const { return frame_ != nullptr ? frame_->Context() : nullptr; }
  void StoredChanged();
  TPictureCoord picture_;
  TPictureCoord relative_;

 private:
  TRepere* frame_;
  TContainer* container_;
  TPolyContainer* set_;
  TPixel screen_;
};

// A Grid mark: stores its picture position.
class TMarqueRep : public TMarque {
 public:
  TMarqueRep(TRepere* frame, TContainer* container, TPolyContainer* set)
      : TMarque(hkMarqueRep, frame, container, set) {}
  std::unique_ptr<THistObject> NewSnapshot() const override;
  TPictureCoord GetRelative() const override;
  TPictureCoord GetPicture() const override { return picture_; }
  void SetRelative(const TPictureCoord& p) override;
  void SetPicture(const TPictureCoord& p) override;
};

// A Layer mark: stores its offset from the layer's origin.
class TMarqueTsp : public TMarque {
 public:
  TMarqueTsp(TRepere* frame, TContainer* container, TPolyContainer* set)
      : TMarque(hkMarqueTsp, frame, container, set) {}
  std::unique_ptr<THistObject> NewSnapshot() const override;
  TPictureCoord GetRelative() const override { return relative_; }
  TPictureCoord GetPicture() const override;
  void SetRelative(const TPictureCoord& p) override;
  void SetPicture(const TPictureCoord& p) override;
};

// The marks of one image, at most one per system.  Owned by its mark set,
// which keeps it until the set is cleared, even when it becomes empty.
class TContainer {
 public:
  TContainer(int32_t imageNumber, TRepere* frame, TPolyContainer* set)
      : MarksContainerFrameNumber(imageNumber), frame_(frame), set_(set) {}
  TContainer(const TContainer&) = delete;
  TContainer& operator=(const TContainer&) = delete;

  int32_t MarksContainerFrameNumber;
  int32_t MarksContainerMarkNumber = 0;

  TRepere* Frame() const { return frame_; }
  TPolyContainer* Set() const { return set_; }
  int Count() const { return static_cast<int>(marks_.size()); }
  TMarque* Mark(int i) const { return marks_[static_cast<std::size_t>(i)].get(); }
  TMarque* MarkOf(int system) const;
  // Same image, rank and marks (in order).
  bool Equals(const TContainer& other) const;

  // Shows the duplicate message and answers true when a mark of that system
  // is already here.
  bool CheckDuplicate(int system);
  // Refuses null, a second mark of one system, or a mark already listed;
  // otherwise caches its view point, appends it and puts it into the set's
  // drawing list (at its remembered place when valid).  The refused mark is
  // freed.  Answers whether it was taken.
  bool AddMark(std::unique_ptr<TMarque> mark);
  // Takes the mark out of the drawing list, records it with `action`,
  // removes and frees it.
  bool RemoveMark(TMarque* mark, THistAction action);
  // RemoveMark with haSupprimer of every mark, last to first; answers how many.
  int RemoveAllMarks();
  // Drops the mark of system s (action 0: nothing to undo).
  void RemoveSystem(int system);
  // The mark of system s at a picture position: created when missing
  // (recorded haPoser) or recorded haDeplacer and moved.
  TMarque* SetMark(int system, const TPictureCoord& picture);

  // A new mark of the set's family bound to this container.
  std::unique_ptr<TMarque> NewMark() const;

 private:
  friend class TPolyContainer;
  std::vector<std::unique_ptr<TMarque>> marks_;
  TRepere* frame_;
  TPolyContainer* set_;
  int32_t sortKey_ = 0;   // the key of the renumbering
  int64_t sequence_ = 0;  // creation order, breaks ties
};

}  // namespace kinevo
