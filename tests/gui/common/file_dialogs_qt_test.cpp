#include "gui/common/file_dialogs_qt.h"

#include <gtest/gtest.h>

using namespace kinevo;
using kinevo::gui::QtFileFilter;

TEST(QtFileFilter, EachCaptionKeepsItsPatternsAndTheChosenEntryIsSelected) {
  QString selected;
  const QString filter = QtFileFilter(kOpenFilter, 2, &selected);
  EXPECT_EQ(filter,
            QString::fromUtf8(
                "Fichier vidéo (*.avi,*.mpg,*.mpeg,*.wmv,*.mov) (*.avi *.mpg *.mpeg *.wmv *.mov);;"
                "Fichier Kinevo (*.kvo) (*.kvo)"));
  EXPECT_EQ(selected, QStringLiteral("Fichier Kinevo (*.kvo) (*.kvo)"));
  // An index past the entries selects nothing; a caption without patterns
  // is dropped.
  selected = QStringLiteral("unchanged");
  EXPECT_EQ(QtFileFilter("Texte|*.txt|Orphelin", 3, &selected), QStringLiteral("Texte (*.txt)"));
  EXPECT_EQ(selected, QStringLiteral("unchanged"));
  EXPECT_EQ(QtFileFilter(""), QString());
}
