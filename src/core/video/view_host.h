#pragma once
// What the video view asks of the rest of the program, in two parts:
//  - the window that shows it (IViewHost), one at a time: the video widget;
//  - the modes (marking, tracking, capture, montage and those to come), any
//    number at once, each taking part in the view's mode changes through its
//    own handlers (TViewModeHandlers), registered and unregistered on its own.
#include <functional>
#include <string>

#include "core/common/picture_coord.h"
#include "core/common/video_view.h"

namespace kinevo {

class IViewHost {
 public:
  virtual ~IViewHost() = default;
  // The view's state changed: the window follows its scroll bars and
  // repaints, at once (`now`) or when it is idle.
  virtual void Invalidate(bool now) = 0;
  // A repaint request from any thread (the playback clock's).
  virtual void PostRepaint() = 0;
  // Runs `work` on the window thread, soon; callable from any thread (the
  // playback clock's, a worker's).  Work still queued when the window goes
  // is dropped.
  virtual void Post(std::function<void()> work) = 0;
  // Shows the named cursor ("" is the arrow).
  virtual void ShowCursor(const std::string& name) = 0;
  // The mouse pointer over the view, in view pixels; and moving it.
  virtual TPixel CursorPos() const = 0;
  virtual void SetCursorPos(TPixel p) = 0;
  // Lets the window handle its pending messages, so that the waiting text
  // shows before a long piece of work.
  virtual void ProcessMessages() = 0;
};

// One mode's part in TVideo::SetMode(to), each handler optional.  The steps
// run in this order, each over every registered mode in the order of
// registration:
//  1. MayChange(from, to), even when the mode stays: false refuses the change;
//  2. Leave(from, to), only when the mode changes;
//  3. Enter(to): the mode is set up; false refuses the change (what earlier
//     steps did stays done);
//  4. Entered(to), once the view is in mode `to`.
// A refusal stops the steps and the view raises OnModeRefused.
// (The empty initialisers let a mode name only the handlers it has.)
struct TViewModeHandlers {
  std::function<bool(TVideoMode from, TVideoMode to)> MayChange = {};
  std::function<void(TVideoMode from, TVideoMode to)> Leave = {};
  std::function<bool(TVideoMode to)> Enter = {};
  std::function<void(TVideoMode to)> Entered = {};
};

}  // namespace kinevo
