#pragma once
// The results window over the two-systems document, opened headless as the
// results tests start from it: a session with real frame sources, a
// scripted message dialog and a settings file in a fresh folder.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <memory>
#include <string>

#include "core/app/session.h"
#include "gui/results/results_form.h"
#include "support/real_frame_sources.h"
#include "support/scripted_dialog.h"
#include "support/temp_dir.h"
#include "support/two_systems_document.h"

namespace kinevo::test {

// A left-button mouse event of `type` at `at` on a widget.
inline void LeftMouse(QWidget& w, QEvent::Type type, QPoint at) {
  const Qt::MouseButtons held =
      type == QEvent::MouseButtonRelease ? Qt::MouseButtons() : Qt::MouseButtons(Qt::LeftButton);
  QMouseEvent e(type, QPointF(at), w.mapToGlobal(QPointF(at)), Qt::LeftButton, held,
                Qt::NoModifier);
  QApplication::sendEvent(&w, &e);
}

class ResultsWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string doc = TwoSystems::Write(dir.Path());
    ASSERT_FALSE(doc.empty());
    const TStatus opened = session.LoadDocumentQuietly(doc, "");
    ASSERT_TRUE(opened) << opened.error().Text();
    form = std::make_unique<TResForm>(session);
    form->resize(900, 600);
  }

  TempDir dir{"kinevo_results"};
  ScriptedDialog dialogs;
  TSession session{RealFrameSources(), dir.File("Kinevo.ini"), &dialogs};
  std::unique_ptr<TResForm> form;
};

}  // namespace kinevo::test
