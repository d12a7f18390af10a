// The file search window, offscreen, over real folders: a search lists the
// files, "Arrêter" stops it, opening a file emits fileChosen.
#include "gui/app/file_search_window.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "support/qt_test_application.h"
#include "support/shots.h"

namespace fs = std::filesystem;

namespace kinevo::gui {
namespace {

KINEVO_QT_TEST_APPLICATION("test_gui_app");

class SearchWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::path(::testing::TempDir()) /
            ("kinevo_window_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    for (const char* f :
         {"Chute.AVI", "pendule.mov", "notes.kvo", "notes.txt", "classe/TP1/balle.mpg",
          "classe/TP1/balle.kvo", "classe/TP2/Chute libre.wmv"})
      File(f);
  }
  void TearDown() override { fs::remove_all(root_); }
  void File(const std::string& rel) {
    fs::path p = root_ / rel;
    fs::create_directories(p.parent_path());
    std::ofstream(p) << "x";
  }
  QString Root() const { return QString::fromStdString(root_.string()); }
  template <class T>
  static T* Child(TFileSearchWindow& w, const char* name) {
    T* c = w.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
  }
  // Runs the event loop until the running search has ended.
  static bool WaitForEnd(TFileSearchWindow& w) {
    if (!w.Searching()) return true;
    QEventLoop loop;
    QObject::connect(&w, &TFileSearchWindow::searchFinished, &loop, &QEventLoop::quit);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
    return !w.Searching();
  }
  static QStringList Column(TFileSearchWindow& w, int column) {
    QStringList out;
    auto* list = w.findChild<QTreeWidget*>(QStringLiteral("results"));
    for (int i = 0; i < list->topLevelItemCount(); ++i) out << list->topLevelItem(i)->text(column);
    return out;
  }
  fs::path root_;
};

TEST_F(SearchWindow, CaptionsAndFilterChoices) {
  TFileSearchWindow w;
  EXPECT_EQ(w.windowTitle(), QStringLiteral("Rechercher un fichier"));
  EXPECT_EQ(Child<QPushButton>(w, "browse")->text(), QStringLiteral("Parcourir..."));
  EXPECT_EQ(Child<QPushButton>(w, "search")->text(), QStringLiteral("Rechercher"));
  EXPECT_EQ(Child<QPushButton>(w, "stop")->text(), QStringLiteral("Arrêter"));
  EXPECT_EQ(Child<QPushButton>(w, "open")->text(), QStringLiteral("Ouvrir"));
  EXPECT_EQ(Child<QPushButton>(w, "close")->text(), QStringLiteral("Fermer"));
  auto* filter = Child<QComboBox>(w, "filter");
  ASSERT_EQ(filter->count(), 3);
  EXPECT_TRUE(filter->itemText(0).startsWith(QStringLiteral("Fichier vidéo (*.avi,*.mpg,")));
  EXPECT_TRUE(filter->itemText(0).contains(QStringLiteral("*.mp4")));
  EXPECT_EQ(filter->itemText(1), QStringLiteral("Fichier Kinevo (*.kvo)"));
  EXPECT_EQ(filter->itemText(2), QStringLiteral("Tous les fichiers (*.*)"));
  EXPECT_FALSE(Child<QPushButton>(w, "stop")->isEnabled());
  EXPECT_FALSE(Child<QPushButton>(w, "open")->isEnabled());

  w.SetFilter(QStringLiteral("Regressi.exe|Regressi.exe"));
  EXPECT_EQ(filter->count(), 1);
  EXPECT_EQ(filter->currentText(), QStringLiteral("Regressi.exe"));

  // "Parcourir..." puts the chosen folder into the field; a cancelled choice keeps it.
  QString offered;
  w.ChooseFolder = [&](QWidget*, const QString& current) {
    offered = current;
    return QStringLiteral("/tmp");
  };
  w.SetFolder(Root());
  Child<QPushButton>(w, "browse")->click();
  EXPECT_EQ(offered, Root());
  EXPECT_EQ(w.Folder(), QStringLiteral("/tmp"));
  w.ChooseFolder = [](QWidget*, const QString&) { return QString(); };
  Child<QPushButton>(w, "browse")->click();
  EXPECT_EQ(w.Folder(), QStringLiteral("/tmp"));
}

TEST_F(SearchWindow, SearchListsFilesWithTheirFolders) {
  TFileSearchWindow w;
  w.SetFolder(Root());
  Child<QPushButton>(w, "search")->click();
  ASSERT_TRUE(WaitForEnd(w));
  EXPECT_EQ(Column(w, 0),
            (QStringList{"Chute.AVI", "pendule.mov", "balle.mpg", "Chute libre.wmv"}));
  EXPECT_EQ(Column(w, 1),
            (QStringList{Root(), Root(), Root() + "/classe/TP1", Root() + "/classe/TP2"}));
  EXPECT_EQ(Child<QLabel>(w, "status")->toolTip(),
            QStringLiteral("Recherche terminée : 4 fichiers trouvés dans 4 dossiers."));
  EXPECT_TRUE(Child<QPushButton>(w, "search")->isEnabled());
  EXPECT_FALSE(Child<QPushButton>(w, "stop")->isEnabled());

  // Documents whose name holds "BALLE".
  Child<QComboBox>(w, "filter")->setCurrentIndex(1);
  w.SetNameFragment(QStringLiteral("BALLE"));
  Child<QPushButton>(w, "search")->click();
  ASSERT_TRUE(WaitForEnd(w));
  EXPECT_EQ(Column(w, 0), QStringList{"balle.kvo"});
  EXPECT_EQ(Child<QLabel>(w, "status")->toolTip(),
            QStringLiteral("Recherche terminée : 1 fichier trouvé dans 4 dossiers."));

  // A folder that does not exist starts nothing and says so.
  w.SetFolder(Root() + "/absent");
  Child<QPushButton>(w, "search")->click();
  EXPECT_FALSE(w.Searching());
  EXPECT_EQ(Child<QLabel>(w, "status")->toolTip(),
            QStringLiteral("Le dossier « %1/absent » est introuvable.").arg(Root()));

  // The limit stops the search.
  w.SetFolder(Root());
  w.SetNameFragment(QString());
  Child<QComboBox>(w, "filter")->setCurrentIndex(0);
  w.SetMaxResults(2);
  Child<QPushButton>(w, "search")->click();
  ASSERT_TRUE(WaitForEnd(w));
  EXPECT_EQ(w.FoundCount(), 2);
  EXPECT_TRUE(
      Child<QLabel>(w, "status")->toolTip().contains(QStringLiteral("nombre maximal atteint")));

  w.SetMaxResults(0);
  Child<QPushButton>(w, "search")->click();
  ASSERT_TRUE(WaitForEnd(w));
  w.show();
  EXPECT_TRUE(test::Shot(w, "file_search"));
}

TEST_F(SearchWindow, StopEndsALargeSearchAndANewOneStartsClean) {
  for (int i = 0; i < 20; ++i)
    for (int j = 0; j < 20; ++j)
      File("big/d" + std::to_string(i) + "/e" + std::to_string(j) + "/v.avi");
  TFileSearchWindow w;
  w.SetFolder(Root() + "/big");
  Child<QPushButton>(w, "search")->click();
  EXPECT_TRUE(w.Searching());
  EXPECT_TRUE(Child<QPushButton>(w, "stop")->isEnabled());
  EXPECT_FALSE(Child<QPushButton>(w, "search")->isEnabled());
  Child<QPushButton>(w, "stop")->click();
  ASSERT_TRUE(WaitForEnd(w));
  EXPECT_LT(w.FoundCount(), 400);
  EXPECT_TRUE(
      Child<QLabel>(w, "status")->toolTip().startsWith(QStringLiteral("Recherche arrêtée : ")));
  EXPECT_TRUE(Child<QPushButton>(w, "search")->isEnabled());

  // The next search lists every file once.
  Child<QPushButton>(w, "search")->click();
  ASSERT_TRUE(WaitForEnd(w));
  EXPECT_EQ(w.FoundCount(), 400);
  EXPECT_EQ(Column(w, 0).count(QStringLiteral("v.avi")), 400);

  // A window destroyed in the middle of a search takes its worker with it.
  auto* doomed = new TFileSearchWindow;
  doomed->SetFolder(Root() + "/big");
  doomed->StartSearch();
  EXPECT_TRUE(doomed->Searching());
  delete doomed;
  QCoreApplication::processEvents();  // queued deliveries to the dead window are dropped
}

TEST_F(SearchWindow, OpeningAFileEmitsItsPath) {
  TFileSearchWindow w;
  QStringList chosen;
  QObject::connect(&w, &TFileSearchWindow::fileChosen, [&](const QString& p) { chosen << p; });
  w.SetFolder(Root());
  w.show();
  Child<QPushButton>(w, "search")->click();
  ASSERT_TRUE(WaitForEnd(w));
  auto* list = Child<QTreeWidget>(w, "results");
  auto* open = Child<QPushButton>(w, "open");

  open->click();  // nothing selected: nothing happens
  EXPECT_TRUE(chosen.isEmpty());
  list->setCurrentItem(list->topLevelItem(2));
  EXPECT_TRUE(open->isEnabled());
  open->click();
  EXPECT_EQ(chosen, QStringList{Root() + "/classe/TP1/balle.mpg"});
  EXPECT_FALSE(w.isVisible());

  // Enter on the list opens the file; it does not start another search.
  w.show();
  list->setCurrentItem(list->topLevelItem(3));
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(list, &enter);
  EXPECT_FALSE(w.Searching());
  ASSERT_EQ(chosen.size(), 2);
  EXPECT_EQ(chosen[1], Root() + "/classe/TP2/Chute libre.wmv");
}

}  // namespace
}  // namespace kinevo::gui
