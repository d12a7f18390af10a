#include "gui/common/file_dialogs_qt.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "support/temp_dir.h"

using namespace kinevo;
using kinevo::gui::QtFileFilter;

TEST(QtFileFilter, EachCaptionKeepsItsPatternsAndTheChosenEntryIsSelected) {
  QString selected;
  const QString filter =
      QtFileFilter("Vidéo (*.avi,*.mp4)|*.avi;*.mp4|Fichier Kinevo (*.kvo)|*.kvo", 2, &selected);
  // The patterns are shown once, in the spelling Qt reads.
  EXPECT_EQ(filter, QString::fromUtf8("Vidéo (*.avi *.mp4);;"
                                      "Fichier Kinevo (*.kvo)"));
  EXPECT_EQ(selected, QStringLiteral("Fichier Kinevo (*.kvo)"));
  EXPECT_EQ(QtFileFilter("Fichier vidéo (*.avi)|*.avi"),
            QString::fromUtf8("Fichier vidéo (*.avi)"));
  // An index past the entries selects nothing; a caption without patterns
  // is dropped.
  selected = QStringLiteral("unchanged");
  EXPECT_EQ(QtFileFilter("Texte|*.txt|Orphelin", 3, &selected), QStringLiteral("Texte (*.txt)"));
  EXPECT_EQ(selected, QStringLiteral("unchanged"));
  EXPECT_EQ(QtFileFilter(""), QString());
}

TEST(QtFileDialogs, WithoutALastFolderTheDialogsStartInTheDocumentsFolder) {
  const test::TempDir home("kinevo-home");
  const std::string docs = home.Path() + "/Mes documents";
  std::filesystem::create_directories(docs);
  std::filesystem::create_directories(home.Path() + "/config");
  std::ofstream(home.Path() + "/config/user-dirs.dirs") << "XDG_DOCUMENTS_DIR=\"" << docs << "\"\n";
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string keep = old ? old : "";
  setenv("XDG_CONFIG_HOME", (home.Path() + "/config").c_str(), 1);
  EXPECT_EQ(kinevo::gui::StartFolder("").toStdString(), docs);
  EXPECT_EQ(kinevo::gui::StartFolder("/srv/videos").toStdString(), "/srv/videos");
  if (old)
    setenv("XDG_CONFIG_HOME", keep.c_str(), 1);
  else
    unsetenv("XDG_CONFIG_HOME");
}
