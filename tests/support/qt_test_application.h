#pragma once
// The one QApplication of a Qt test program: made before the first test
// (offscreen unless a platform is chosen) and freed after the last.
//   KINEVO_QT_TEST_APPLICATION("test_gui_video");
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

namespace kinevo::test {

class QtTestApplication : public ::testing::Environment {
 public:
  explicit QtTestApplication(const char* name) : name_(name) {}
  void SetUp() override {
    static int argc = 1;
    static char* argv[] = {const_cast<char*>(name_), nullptr};
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (QApplication::instance() == nullptr) app_ = new QApplication(argc, argv);
  }
  void TearDown() override {
    delete app_;
    app_ = nullptr;
  }

 private:
  const char* name_;
  QApplication* app_ = nullptr;
};

}  // namespace kinevo::test

#define KINEVO_QT_TEST_APPLICATION(name)                         \
  [[maybe_unused]] static const auto* const kQtTestApplication = \
      ::testing::AddGlobalTestEnvironment(new ::kinevo::test::QtTestApplication(name))
