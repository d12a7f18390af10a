// Paths cut into folder, name and extension the same way everywhere: a bare
// name lives in the current folder, not in "".
#include "core/common/text_utils.h"

#include <gtest/gtest.h>

namespace kinevo {
namespace {

TEST(PathNames, FolderNameAndExtensionOfEveryKindOfPath) {
  struct Case {
    const char *path, *folder, *name, *extension;
  };
  const Case cases[] = {
      {"/home/eleve/chute.AVI", "/home/eleve", "chute.AVI", ".avi"},
      {"chute.kvo", ".", "chute.kvo", ".kvo"},  // bare name: the current folder
      {"/chute.kvo", "/", "chute.kvo", ".kvo"},
      {"videos.2024/chute", "videos.2024", "chute", ""},  // the folder's dot is not an extension
      {"/home/eleve/.kinevo", "/home/eleve", ".kinevo", ""},
      {"archive.tar.GZ", ".", "archive.tar.GZ", ".gz"},
      {"dossier/", "dossier", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FolderOf(c.path), c.folder) << c.path;
    EXPECT_EQ(FileNameOf(c.path), c.name) << c.path;
    EXPECT_EQ(LowerExtension(c.path), c.extension) << c.path;
  }
}

TEST(AsciiCase, OnlyAsciiLettersChangeCaseWhateverTheLocale) {
  // Names and extensions are ASCII; bytes of UTF-8 letters must pass as they are.
  EXPECT_EQ(UpperAscii("png"), "PNG");
  EXPECT_EQ(UpperAscii("svg.é-z"), "SVG.é-Z");
  EXPECT_EQ(LowerAscii("Échelle.KVO"), "Échelle.kvo");
  EXPECT_TRUE(SameName("MarkColor_0", "markcolor_0"));
  EXPECT_FALSE(SameName("é", "É"));
}

}  // namespace
}  // namespace kinevo
