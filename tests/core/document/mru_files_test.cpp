#include "core/document/mru_files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "core/common/ini_file.h"
#include "support/temp_dir.h"

using namespace kinevo;
namespace fs = std::filesystem;

namespace {

class TempDir : public test::TempDir {
 public:
  TempDir() : test::TempDir("kinevo-mru") {}
};

}  // namespace

TEST(MRUFiles, AddMovesToTheTopWithoutDuplicatesAndKeepsTheMaximum) {
  TMRUFiles mru;
  int changes = 0;
  TConnection onMenuChangedLink = mru.OnMenuChanged.Connect([&](void*) { ++changes; });
  EXPECT_EQ(mru.MaxEntries(), 9);
  mru.SetMaxEntries(3);
  mru.Add("");
  EXPECT_EQ(mru.Count(), 0);
  mru.Add("/a.kvo");
  mru.Add("/b.kvo");
  mru.Add("/c.kvo");
  mru.Add("/a.kvo");
  EXPECT_EQ(mru.Items(), (std::vector<std::string>{"/a.kvo", "/c.kvo", "/b.kvo"}));
  mru.Add("/d.avi");
  EXPECT_EQ(mru.Items(), (std::vector<std::string>{"/d.avi", "/a.kvo", "/c.kvo"}));
  // Names differing only by case are different files here.
  mru.Add("/A.kvo");
  EXPECT_EQ(mru.Items(), (std::vector<std::string>{"/A.kvo", "/d.avi", "/a.kvo"}));
  EXPECT_EQ(changes, 6);

  mru.SetMaxEntries(0);  // ignored
  EXPECT_EQ(mru.MaxEntries(), 3);
  mru.SetMaxEntries(1);
  EXPECT_EQ(mru.Items(), (std::vector<std::string>{"/A.kvo"}));
  mru.Add("/z.kvo");
  EXPECT_EQ(mru.Items(), (std::vector<std::string>{"/z.kvo"}));
}

TEST(MRUFiles, IniRoundTripDropsDeletedAndRepeatedFiles) {
  TempDir dir;
  const auto a = dir.Touch("chute libre.kvo");
  const auto b = dir.Touch("pendule.avi");
  const auto ini_path = dir.File("Kinevo.ini");
  {
    TIniFile ini(ini_path);
    ini.WriteString("RecentFiles", "File1", a);
    ini.WriteString("RecentFiles", "File2", dir.File("deleted.kvo"));
    ini.WriteString("RecentFiles", "File3", a);
    ini.WriteString("RecentFiles", "File4", b);
    ini.WriteString("RecentFiles", "File5", dir.File(""));  // a folder, not a file
    ini.WriteString("MainForm", "Directory", "/home/eleve/Vidéos");
    ASSERT_TRUE(ini.UpdateFile());
  }
  TIniFile ini(ini_path);
  TMRUFiles mru;
  mru.LoadFromIni(ini, "RecentFiles");
  EXPECT_EQ(mru.Items(), (std::vector<std::string>{a, b}));
  mru.LoadDirectory(ini, "MainForm");
  EXPECT_EQ(mru.Directory, "/home/eleve/Vidéos");

  // Only "File1" ... "File<max>" are read.
  TMRUFiles small;
  small.SetMaxEntries(1);
  small.LoadFromIni(ini, "RecentFiles");
  EXPECT_EQ(small.Items(), (std::vector<std::string>{a}));

  mru.Add(b);
  mru.Directory = "/tmp";
  mru.SaveToIni(ini, "RecentFiles");
  mru.SaveDirectory(ini, "MainForm");
  ASSERT_TRUE(ini.UpdateFile());
  TIniFile back(ini_path);
  EXPECT_EQ(back.ReadSection("RecentFiles"), (std::vector<std::string>{"File1", "File2"}));
  EXPECT_EQ(back.ReadString("RecentFiles", "File1"), b);
  EXPECT_EQ(back.ReadString("RecentFiles", "File2"), a);
  EXPECT_EQ(back.ReadString("MainForm", "Directory"), "/tmp");
}

TEST(MRUFiles, MenuItemsAndClicks) {
  TMRUFiles mru;
  EXPECT_TRUE(mru.MenuItems().empty());
  EXPECT_FALSE(mru.MenuEnabled());
  mru.Add("/home/eleve/pendule.avi");
  mru.Add("/home/eleve/chute.kvo");
  auto items = mru.MenuItems();
  ASSERT_EQ(items.size(), 3u);
  EXPECT_TRUE(items[0].IsSeparator());
  EXPECT_EQ(items[1].caption, "&1  :  chute.kvo");
  EXPECT_EQ(items[1].hint, "/home/eleve/chute.kvo");
  EXPECT_EQ(items[1].tag, 0);
  EXPECT_EQ(items[2].caption, "&2  :  pendule.avi");
  EXPECT_EQ(items[2].tag, 1);
  EXPECT_TRUE(mru.MenuEnabled());
  mru.SetNumbered(false);
  EXPECT_EQ(mru.MenuItems()[1].caption, "/home/eleve/chute.kvo");

  std::string clicked;
  TConnection onClickLink = mru.OnClick.Connect([&](const std::string& p) { clicked = p; });
  mru.Click(1);
  EXPECT_EQ(clicked, "/home/eleve/pendule.avi");
  clicked.clear();
  mru.Click(2);
  mru.Click(-1);
  EXPECT_EQ(clicked, "");
}
