#pragma once
// Mark sets (TPolyContainer): the image containers of one marking mode with
// the names and drawing options of its systems.  The Grid set
// (TPolyMarqueImgRep) is bound to the fixed frame and holds any number of
// systems; the Layer set (TPolyMarqueImgTsp) is bound to the layer, holds one
// system and steps the layer's stage when marks are placed or removed.
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/common/canvas.h"
#include "core/marking/marking_context.h"
#include "core/marking/marks.h"

namespace kinevo {

enum TNumberPosition : uint8_t { npNone = 0, npDown = 1, npRight = 2 };

class TTransparent;
class TGraphUtils;

// One mark as the view draws it: where, in which colour and size, the
// system (for its symbol) and the number written beside it.
struct TMarkLook {
  TPixel at;
  TColor colour = 0;
  int elementSize = 0;
  int system = 0;
  TNumberPosition numberPosition = npDown;
  std::string number;
};
// Draws the system's symbol at the mark and its number in the system's
// colour, in `font` made larger for the bigger element sizes, over a clear
// brush of `brush`'s colour.  The caller restores the canvas's font and
// brush once it drew its marks.
void DrawNumberedMark(Canvas& canvas, const TGraphUtils& gu, const TMarkLook& mark,
                      const TFont& font, const TBrush& brush);

// "du point n°" + (i + 1): the default name of system i.
std::string DefaultSystemName(int i);

class TPolyContainer : public THistObject {
 public:
  TPolyContainer(THistKind kind, IMarkingHost* host, TRepere* frame);
  ~TPolyContainer() override;

  // ------------------------------------------------------------ options
  bool MarksIsAllDrawn = true;
  int32_t MarksNumberToDraw = 1;
  TNumberPosition MarksNumberPosition = npDown;

  int32_t MarksNumberPerFrame() const { return systems_; }
  int32_t CurrentMarkOrderNumber() const { return current_; }
  const std::vector<std::string>& SystemNames() const { return names_; }
  std::string SystemName(int i) const;
  void SetSystemName(int i, const std::string& name);

  IMarkingHost* Host() const { return host_; }
  TRepere* Frame() const { return frame_; }

  // ------------------------------------------------------------ undo support
  // Copies options, systems, names and every container's marks (marks are
  // matched by id, missing ones rebuilt under their former id and put back at
  // their former place in the drawing order).  Containers are matched by
  // image number and never freed.
  void Assign(const THistObject& source) override;
  bool Equals(const THistObject& other) const override;

  // ------------------------------------------------------------ operations
  // Puts a deleted mark back into its container (refused, and freed, when
  // the container already has a mark of its system) and renumbers.  With
  // haPoserPointage it also shows the mark's image, advances after the last
  // system and makes the next system current.
  virtual bool InsertMark(std::unique_ptr<TMarque> mark, THistAction action);
  // Empties every container, the drawing list and the container list; names
  // back to the defaults for the current number of systems.
  virtual void Clear();
  // Options back to their defaults: one system, system 0 current, numbers
  // below the marks, all marks drawn, one mark to draw.
  void ResetOptions();
  virtual bool HasDefaultNames() const;
  // Takes the mark out of its container and renumbers.  With
  // haSupprimerPointage it also shows the container's image and makes the
  // deleted mark's system current (0 when the container is now empty).
  virtual bool DeleteMark(TMarque* mark, THistAction action);
  // Deletes every mark of image n (haSupprimer); answers how many.
  virtual int RemoveMarksOfImage(int imageNumber);
  virtual void RemoveSystem(int system);
  virtual void SetSystemsCount(int n);
  // -1 means the last system; a number past the last means 0.
  virtual void SetCurrentSystem(int s);

  // The right button of the mark tool: deletes the last mark of the drawing
  // list with haSupprimerPointage.  Answers whether one was deleted.
  bool RemoveLast();

  // ------------------------------------------------------------ queries
  int MarksCount() const { return static_cast<int>(drawList_.size()); }
  int MinMarksPerSystem() const;
  int LastMarkedImage() const;
  TContainer* ContainerOf(int imageNumber) const;
  int CountOnImage(int imageNumber) const;
  // Finds or creates the container of an image.
  TContainer* ObtainContainer(int imageNumber);
  const std::vector<std::unique_ptr<TContainer>>& Containers() const { return containers_; }
  const std::vector<TMarque*>& DrawList() const { return drawList_; }
  TMarque* FindMarkById(int32_t id) const;
  // The first mark of the drawing list hit at a view pixel, or null.
  TMarque* HitMark(const TPixel& p) const;

  // For reading a document: adds a mark without recording (value is the
  // stored form: picture position for Grid marks, relative for Layer marks).
  TMarque* LoadMark(int imageNumber, int system, const TPictureCoord& value);
  // Sets the number of systems and the names without recording, events or
  // colour changes.
  void LoadSystems(int n, const std::vector<std::string>& names);

  // Every container gets its rank among the containers sorted by image
  // number, empty containers last.  Runs by itself after each change.
  void Renumber();
  // The number drawn beside the marks of a container.
  int DisplayedNumber(const TContainer& c) const;

  // ------------------------------------------------------------ tools
  // The move tool.
  bool IsMoving() const { return moving_; }
  bool IsErasing() const { return erasing_; }
  bool IsGestureInProgress() const { return moving_ || erasing_; }
  TMarque* MovedMark() const;
  const TPixelRect& EraseRect() const { return eraseRect_; }
  void MovePress(int x, int y);
  void MoveMove(int x, int y);
  void MoveRelease();
  // The erase tool's rectangle; the deletions themselves are done by the
  // owner (which also removes a Layer mark's origin position).
  void OpenEraseRect(int x, int y);
  void EraseMove(int x, int y);
  // Closes the rectangle and answers the marks inside it, last to first.
  std::vector<TMarque*> CloseEraseRect();
  void CancelGesture();

  void Draw(Canvas& canvas) const;
  void UpdateScreenPoints();

  // Container bookkeeping used by the containers.
  void AddToDrawList(TMarque* m);
  int RemoveFromDrawList(TMarque* m);
  // The container's emptiness may have changed: keeps the sorted order and
  // the ranks up to date.
  void Touch(TContainer* c);

 protected:
  IMarkingHost* host_;
  TRepere* frame_;
  int32_t systems_ = 1;
  int32_t current_ = 0;
  std::vector<std::string> names_;

  void DefaultNames();

 private:
  void InsertSorted(TContainer* c);
  std::size_t SortedPosition(const TContainer* c) const;
  void RankRange(std::size_t from, std::size_t to);
  void EndMove();

  std::vector<TMarque*> drawList_;
  std::vector<std::unique_ptr<TContainer>> containers_;
  std::unordered_map<int32_t, TContainer*> byImage_;
  std::vector<TContainer*> sorted_;
  int64_t nextSequence_ = 0;
  bool moving_ = false;
  bool erasing_ = false;
  int movedIndex_ = -1;
  TPictureCoord pressedAt_{};  // where the moved mark was taken
  TPixelRect eraseRect_;
};

class TPolyMarqueImgRep : public TPolyContainer {
 public:
  TPolyMarqueImgRep(IMarkingHost* host, TRepereFixe* frame);
  std::unique_ptr<THistObject> NewSnapshot() const override;
  void SetSystemsCount(int n) override;

  // Places a mark of the current system on the current image at view pixel
  // (x, y) (the mark tool).  Answers whether one was placed.
  bool PlaceMark(int x, int y);
};

class TPolyMarqueImgTsp : public TPolyContainer {
 public:
  TPolyMarqueImgTsp(IMarkingHost* host, TTransparent* layer);
  std::unique_ptr<THistObject> NewSnapshot() const override;
  TTransparent* Layer() const;

  bool InsertMark(std::unique_ptr<TMarque> mark, THistAction action) override;
  void Clear() override;
  bool HasDefaultNames() const override;
  bool DeleteMark(TMarque* mark, THistAction action) override;
  void SetSystemsCount(int n) override;
  void SetCurrentSystem(int s) override;

  // Places the Layer mark of the current image at view pixel (x, y) (stage
  // lsPoint).  Answers whether one was placed.
  bool PlaceLayerMark(int x, int y);
  // Deletes the mark of image n (haSupprimer); answers whether there was one.
  bool RemoveMarkOfImage(int imageNumber);
};

}  // namespace kinevo
