#pragma once
// The tools of a graph that draw and edit measuring figures: creation of
// each kind (with snapping onto data points, the origin marker and vector
// tips), selection with moves, deformations and rotations, bending, and
// duplication, reversal and deletion by click or rubber band; the
// selection; and the undo history of these actions.  It works on the
// graph's element list and selection, so that the graph stays the one owner
// of its elements.
#include <memory>
#include <string>
#include <vector>

#include "core/common/canvas.h"
#include "core/graph/figures.h"
#include "core/graph/graph_history.h"
#include "core/video/view_client.h"

namespace kinevo {

class TGraphModel;

class TFigureTools : public IGraphHistoryOwner {
 public:
  explicit TFigureTools(TGraphModel& graph);

  // Whether the figure tools handle this tool mode (1 to 10, 14, 17).
  static bool IsFigureTool(int tool);
  static bool IsDrawingTool(int tool) { return tool >= 1 && tool <= 7; }

  // ------------------------------------------------------------ commands
  // `kind` 0 for every figure, else one TGObjectType.
  void DeleteSelection(int kind = 0);
  void DuplicateSelection(int kind = 0);
  void ReverseSelectedVectors();
  void Undo() { history_.Undo(); }
  std::string UndoCaption() const { return history_.UndoCaption(); }
  const TGraphHistory& History() const { return history_; }

  // ------------------------------------------------------------ selection
  int SelectionCount() const;
  // Bit k set when an element of kind k is selected.
  unsigned SelectedKinds() const;
  // With `shift` the element's selection toggles; without, it becomes the
  // only selected element.
  void Select(TGElem* e, bool shift);
  void ClearSelection();

  // ------------------------------------------------------------ mouse
  void MouseDown(TMouseButton b, TShiftState s, TPixel p);
  void MouseMove(TShiftState s, TPixel p);
  void MouseUp(TMouseButton b, TShiftState s, TPixel p);
  // Ends a free curve.
  void DoubleClick(TPixel p);
  // The tool mode changes: a figure under construction is dropped.
  void ToolChanged();
  std::string CursorName() const;
  // The figure under construction, its points so far (pixels).
  const std::vector<TPixel>& Building() const { return building_; }
  // Rubber lines of the figure being built and the selection rectangle.
  void PaintMarks(Canvas& canvas) const;

  // ------------------------------------------------------------ graph
  // The graph was emptied.
  void Clear();
  // Shows the drawn figures of every kind, on every curve and on the free
  // curve (a new curve shows none).
  void ShowAll();
  // The owner changed what is shown, the colours or the vector scale.
  void ApplyVisibility();
  void ApplyColours();
  void PushFactor();

  // IGraphHistoryOwner
  TGElem* FindElement(int id) override;
  void RemoveElement(int id) override;
  void RestoreElement(std::unique_ptr<TGElem> element) override;
  void Replace(TGElem& live) override;

 private:
  int Tolerance() const;
  TWorldPoint SnapForCreation(TPixel p, bool vectorOrigin, int& chainedTo) const;
  void SnapMoved(const std::vector<TGPolyPoint*>& moved);
  TGPolyPoint* FigureAt(TPixel p, int kindMask = 0);
  std::vector<TGPolyPoint*> FiguresInside(const TPixelRect& r, int kindMask) const;
  std::vector<TGPolyPoint*> SelectedFigures() const;
  void Insert(std::unique_ptr<TGElem> e);
  std::unique_ptr<TGElem> Take(TGElem* e);
  void Create(std::unique_ptr<TGPolyPoint> f);
  void FinishBuilding(TPixel p);
  void EndSpline();
  void ApplyTo(const std::vector<TGPolyPoint*>& figures);
  void Duplicate(TGPolyPoint* f);
  void Delete(TGPolyPoint* f);
  void Reverse(TGPolyPoint* f);
  void StartSelectionDrag(TGPolyPoint* hit, TShiftState s, TPixel p);
  void StartBend(TGPolyPoint* hit, TPixel p);
  void DragTo(TPixel p);
  void ShowBubble(const TGElem& e);
  void UpdateCursor(TPixel p);
  int CurrentFamilyId() const;
  double CurrentFactor() const;
  bool FigureShown(const TGElem& e) const;
  TColor FigureColour(const TGElem& e) const;

  TGraphModel& g_;
  TGraphHistory history_;
  std::vector<TPixel> building_;  // points of the figure under construction
  std::vector<TWorldPoint> buildingWorld_;
  int chainedTo_ = 0;  // the vector whose tip the new vector starts from
  bool pressed_ = false;
  TPixel from_, last_, mouse_;
  TGPolyPoint* grabbed_ = nullptr;
  int handle_ = -2;
  double startInclination_ = 0.0;
  std::string cursor_;
};

}  // namespace kinevo
