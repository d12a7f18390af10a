// The user guide: its links and pictures exist, and the pictures, taken
// from the program by scripts/help-shots, show something.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#if KINEVO_HAS_GUI
#include <QImage>
#endif

#include "core/common/install_layout.h"

namespace {

namespace fs = std::filesystem;

const fs::path kHelp = fs::path(KINEVO_SOURCE_DIR) / "docs" / "help";

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> Matches(const std::string& text, const std::regex& re) {
  std::vector<std::string> out;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator();
       ++it)
    out.push_back((*it)[1].str());
  return out;
}

TEST(UserGuide, EveryLinkAndPictureLeadsSomewhere) {
  const std::string page = ReadAll(kHelp / "Help_fr.html");
  ASSERT_FALSE(page.empty());
  const auto ids = Matches(page, std::regex(R"re(\bid="([^"]+)")re"));
  const std::set<std::string> anchors(ids.begin(), ids.end());
  EXPECT_EQ(anchors.size(), ids.size()) << "an anchor is defined twice";
  const auto links = Matches(page, std::regex(R"re(\bhref="([^"]+)")re"));
  ASSERT_GE(links.size(), 10u);
  for (const auto& l : links) {
    if (l[0] == '#')
      EXPECT_TRUE(anchors.count(l.substr(1))) << l;
    else
      EXPECT_TRUE(fs::exists(kHelp / l)) << l;
  }
  std::set<std::string> shown;
  for (const auto& src : Matches(page, std::regex(R"re(<img[^>]*\bsrc="([^"]+)")re"))) {
    EXPECT_TRUE(fs::is_regular_file(kHelp / src)) << src;
    shown.insert(fs::path(src).filename().string());
  }
  // A picture no page shows any more is left over from an older guide.
  for (const auto& e : fs::directory_iterator(kHelp / "images"))
    EXPECT_TRUE(shown.count(e.path().filename().string())) << e.path() << " is not shown";
}

TEST(UserGuide, TheBuildPutsItWhereTheProgramsLook) {
  // "Aide" in a program of the build folder opens the guide of Help/ beside it.
  const std::string folder = kinevo::HelpFolderFor(KINEVO_BINARY_DIR);
  EXPECT_EQ(folder, std::string(KINEVO_BINARY_DIR) + "/Help/");
  EXPECT_EQ(ReadAll(fs::path(folder) / "Help_fr.html"), ReadAll(kHelp / "Help_fr.html"));
  EXPECT_TRUE(fs::is_regular_file(fs::path(folder) / "images" / "fenetre_principale.png"));
}

TEST(UserGuide, ParagraphsAndListsAreClosed) {
  const std::string page = ReadAll(kHelp / "Help_fr.html");
  for (const char* tag : {"p", "ul", "ol", "li", "table", "tr", "figure", "h2", "h3", "code"}) {
    const auto opened = Matches(page, std::regex("<(" + std::string(tag) + ")[ >]")).size();
    const auto closed = Matches(page, std::regex("</(" + std::string(tag) + ")>")).size();
    EXPECT_EQ(opened, closed) << "<" << tag << ">";
  }
}

#if KINEVO_HAS_GUI
TEST(UserGuide, ScreenshotsAreNotBlank) {
  int pictures = 0;
  for (const auto& e : fs::directory_iterator(kHelp / "images")) {
    if (e.path().extension() != ".png") continue;
    ++pictures;
    SCOPED_TRACE(e.path().filename().string());
    const QImage image(QString::fromStdString(e.path().string()));
    ASSERT_FALSE(image.isNull());
    EXPECT_GE(image.width(), 400);
    EXPECT_GE(image.height(), 300);
    // A window drawn with its controls and content has many colours, and no
    // one colour covers nearly all of it.
    std::map<QRgb, int> counts;
    int samples = 0;
    for (int y = 0; y < image.height(); y += 3)
      for (int x = 0; x < image.width(); x += 3, ++samples) ++counts[image.pixel(x, y)];
    int most = 0;
    for (const auto& [colour, n] : counts) most = std::max(most, n);
    EXPECT_GE(counts.size(), 32u);
    EXPECT_LT(most, samples * 9 / 10);
  }
  EXPECT_GE(pictures, 5);
}
#endif

}  // namespace
