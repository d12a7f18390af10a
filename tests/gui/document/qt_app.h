#pragma once
// One QApplication for the whole test program, on the offscreen platform.
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QWidget>
#include <cstdlib>

#include "support/shots.h"

namespace kinevo::test {

inline QApplication& QtApp() {
  static int argc = 1;
  static char arg0[] = "test_gui_document";
  static char* argv[] = {arg0, nullptr};
  static QApplication* app = [] {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return new QApplication(argc, argv);
  }();
  return *app;
}

}  // namespace kinevo::test
