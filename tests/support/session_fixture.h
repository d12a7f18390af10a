#pragma once
// A session over the real frame sources as the integration tests drive it:
// scripted messages and file dialogs, no confirmations asked, a view of the
// given size, and mouse clicks on that view.
#include "core/app/session.h"
#include "support/real_frame_sources.h"
#include "support/scripted_dialog.h"
#include "support/scripted_files.h"

namespace kinevo::test {

struct SessionFixture {
  ScriptedDialog script;
  ScriptedFiles files;
  TSession session{RealFrameSources(), "", &script};

  SessionFixture(int viewWidth, int viewHeight) {
    session.SetFileDialogs(&files);
    session.Options.CheckBox4ConfirmationFileChange = false;
    session.Options.CheckBox3ConfirmationQuit = false;
    session.Video.Resize(viewWidth, viewHeight);
  }
  void Click(int x, int y, TMouseButton b = mbLeft) {
    session.Video.MouseDown(b, {}, x, y);
    session.Video.MouseUp(b, {}, x, y);
  }
};

}  // namespace kinevo::test
