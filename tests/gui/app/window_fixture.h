#pragma once
// The main window of the GUI tests, offscreen, with scripted message, value,
// file and password dialogs and a real video written by the program's AVI
// writer; simulated mouse presses and keys, commands by name, modal windows
// driven from a timer, screenshots when KINEVO_SHOTS_DIR is set.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMouseEvent>
#include <QTimer>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/common/value_entry.h"
#include "gui/app/main_window.h"
#include "platform/desktop/freedesktop_association.h"
#include "support/scripted_dialog.h"
#include "support/test_videos.h"
#include "support/test_videos_avi.h"

namespace kinevo::gui {

// Types the texts in order into the value dialog.
struct ScriptedValues : IValueDialogPresenter {
  std::deque<std::string> texts;
  std::vector<std::string> prompts;
  void Present(IValueEntry& entry) override {
    prompts.push_back(entry.Prompt());
    if (texts.empty()) return;  // closed without a value
    const std::string t = texts.front();
    texts.pop_front();
    entry.TryClose(t);
  }
};

struct ScriptedFiles : IFileDialogs {
  std::string open, save;
  std::string OpenFile(const TFileDialogRequest&) override { return open; }
  std::string SaveFile(const TFileDialogRequest&) override { return save; }
};

// Types the passwords in order; cancels when none is left.
struct ScriptedPasswords : IPasswordPrompt {
  std::deque<std::string> entries;
  int asked = 0;
  bool AskPassword(std::string& entered) override {
    ++asked;
    if (entries.empty()) return false;
    entered = entries.front();
    entries.pop_front();
    return true;
  }
};

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = test::MakeTempDir("kinevo_window");
    video = dir + "/chute.avi";
    ASSERT_TRUE(test::WriteIndexedAvi(video, 320, 240, 40));
    MainWindowSetup setup;
    setup.settingsPath = dir + "/Kinevo.ini";
    setup.messages = &messages;
    setup.values = &values;
    setup.files = &files;
    setup.passwords = &passwords;
    association = std::make_unique<TFreedesktopAssociation>(dir + "/data", dir + "/config");
    association->SetRunner([](const std::vector<std::string>&) { return 127; });
    setup.association = association.get();
    window = std::make_unique<MainWindow>(setup);
    window->resize(1000, 760);
    window->show();
    QApplication::processEvents();
  }
  void TearDown() override {
    window.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  TSession& S() { return window->Session(); }
  void Press(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButton b = Qt::LeftButton) {
    const QPointF local(p);
    QMouseEvent ev(type, local, w->mapToGlobal(local), b,
                   type == QEvent::MouseButtonRelease ? Qt::NoButton : b, Qt::NoModifier);
    QApplication::sendEvent(w, &ev);
  }
  void Click(QPoint p) {
    Press(window->View(), QEvent::MouseButtonPress, p);
    Press(window->View(), QEvent::MouseButtonRelease, p);
  }
  void Drag(QPoint from, QPoint to) {
    Press(window->View(), QEvent::MouseButtonPress, from);
    QMouseEvent move(QEvent::MouseMove, QPointF(to), window->View()->mapToGlobal(QPointF(to)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window->View(), &move);
    Press(window->View(), QEvent::MouseButtonRelease, to);
  }
  void Trigger(const char* name) {
    QAction* a = window->Action(name);
    ASSERT_NE(a, nullptr) << name;
    a->trigger();
    QApplication::processEvents();
  }
  // Runs `drive` on the next modal window that opens (a dialog started by
  // a command), then closes it if `drive` left it open.
  // The answer cancels the watch (after a command that opened nothing).
  std::shared_ptr<bool> OnNextModal(std::function<void(QWidget*)> drive) {
    auto attempts = std::make_shared<int>(0);
    auto cancelled = std::make_shared<bool>(false);
    auto poll = std::make_shared<std::function<void()>>();
    std::weak_ptr<std::function<void()>> self = poll;
    *poll = [drive, attempts, cancelled, self] {
      if (*cancelled) return;
      QWidget* w = QApplication::activeModalWidget();
      if (w == nullptr) {
        if (++*attempts < 500)
          if (auto p = self.lock()) QTimer::singleShot(10, [p] { (*p)(); });
        return;
      }
      *cancelled = true;
      drive(w);
      if (auto* d = qobject_cast<QDialog*>(w); d != nullptr && d->isVisible()) d->reject();
    };
    QTimer::singleShot(0, [poll] { (*poll)(); });
    return cancelled;
  }
  std::string ShotsDir() const {
    const char* out = std::getenv("KINEVO_SHOTS_DIR");
    return out == nullptr ? std::string() : std::string(out);
  }
  void Shot(QWidget* w, const std::string& name) {
    const std::string out = ShotsDir();
    if (out.empty()) return;
    std::filesystem::create_directories(out);
    QApplication::processEvents();
    w->repaint();
    w->grab().toImage().save(QString::fromStdString(out + "/" + name + ".png"));
  }
  bool WaitUntil(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) {
      QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
  }
  QString ImageField() const { return window->Field("EditImage")->text(); }

  std::string dir, video;
  test::ScriptedDialog messages;
  ScriptedValues values;
  ScriptedFiles files;
  ScriptedPasswords passwords;
  std::unique_ptr<TFreedesktopAssociation> association;
  std::unique_ptr<MainWindow> window;
};

}  // namespace kinevo::gui
