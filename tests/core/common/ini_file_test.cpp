#include "core/common/ini_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <random>
#include <vector>

#include "core/common/number_format.h"
#include "support/file_size_limit.h"
#include "support/temp_dir.h"

using namespace kinevo;
namespace fs = std::filesystem;

namespace {

class TempDir : public test::TempDir {
 public:
  TempDir() : test::TempDir("kinevo-ini") {}
};

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadBytes(const std::string& path) {
  TResult<std::string> read = ReadWholeFile(path);
  EXPECT_TRUE(read) << read.error().Text();
  return read.value_or("");
}

const char* kSample =
    "; written by hand\n"
    "Orphan=1\n"
    "[Options]\n"
    "EditMRU_Value = 8 \n"
    "; a comment inside\n"
    "Password=\n"
    "\n"
    "[RecentFiles]\n"
    "File1=/home/eleve/chute.kvo\n"
    "\n"
    "[MainForm]\n"
    "Directory=/home/eleve\n";

}  // namespace

TEST(IniFile, ReadsKeysWithoutRegardToCaseAndIgnoresTheHeader) {
  TIniFile ini;
  ini.SetText(kSample);
  EXPECT_EQ(ini.ReadInteger("options", "editmru_value", 0), 8);
  EXPECT_EQ(ini.ReadString("OPTIONS", "Password", "default"), "");  // present but empty
  EXPECT_EQ(ini.ReadString("Options", "Missing", "default"), "default");
  EXPECT_FALSE(ini.ValueExists("Options", "; a comment inside"));
  EXPECT_EQ(ini.ReadInteger("", "Orphan", -1), -1);
  EXPECT_EQ(ini.ReadString("RecentFiles", "file1"), "/home/eleve/chute.kvo");
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Options", "RecentFiles", "MainForm"}));
  EXPECT_EQ(ini.ReadSection("Options"), (std::vector<std::string>{"EditMRU_Value", "Password"}));
  EXPECT_TRUE(ini.SectionExists("mainform"));
  EXPECT_FALSE(ini.SectionExists("Montage"));
}

TEST(IniFile, WritesInPlaceAndKeepsEverythingElse) {
  TIniFile ini;
  ini.SetText(kSample);
  ini.WriteInteger("OPTIONS", "EDITMRU_VALUE", 12);
  ini.WriteString("Options", "TrackingRadius_Value", "40");
  ini.WriteString("Capture", "Device", "0");
  const std::string expected =
      "; written by hand\n"
      "Orphan=1\n"
      "[Options]\n"
      "EditMRU_Value=12\n"
      "; a comment inside\n"
      "Password=\n"
      "TrackingRadius_Value=40\n"
      "\n"
      "[RecentFiles]\n"
      "File1=/home/eleve/chute.kvo\n"
      "\n"
      "[MainForm]\n"
      "Directory=/home/eleve\n"
      "\n"
      "[Capture]\n"
      "Device=0\n";
  EXPECT_EQ(ini.Text(), expected);
  EXPECT_TRUE(ini.Modified());

  ini.EraseSection("recentfiles");
  ini.DeleteKey("Options", "password");
  EXPECT_FALSE(ini.SectionExists("RecentFiles"));
  EXPECT_FALSE(ini.ValueExists("Options", "Password"));
  EXPECT_EQ(ini.ReadInteger("Options", "EditMRU_Value", 0), 12);
}

TEST(IniFile, NumbersBooleansAndBadValues) {
  TIniFile ini;
  ini.SetText(
      "[N]\nComma=1,5\nPoint=-2.25e3\nWord=abc\nBig=99999999999\nHex=$FF\nHexC=0x00FFFFFF\n"
      "Neg=-7\nT=true\nZero=0\nTwo=2\nEmpty=\nHalf=3.5\n");
  EXPECT_DOUBLE_EQ(ini.ReadFloat("N", "Comma", 0), 1.5);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("N", "Point", 0), -2250);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("N", "Word", 4.5), 4.5);
  EXPECT_EQ(ini.ReadInteger("N", "Word", 3), 3);
  EXPECT_EQ(ini.ReadInteger("N", "Big", 3), 3);  // out of 32-bit range
  EXPECT_EQ(ini.ReadInt64("N", "Big", 3), 99999999999LL);
  EXPECT_EQ(ini.ReadInteger("N", "Hex", 0), 255);
  EXPECT_EQ(ini.ReadInteger("N", "HexC", 0), 0x00FFFFFF);
  EXPECT_EQ(ini.ReadInteger("N", "Neg", 0), -7);
  EXPECT_EQ(ini.ReadInteger("N", "Half", 9), 9);
  EXPECT_EQ(ini.ReadInteger("N", "Empty", 9), 9);
  EXPECT_TRUE(ini.ReadBool("N", "T", false));
  EXPECT_FALSE(ini.ReadBool("N", "Zero", true));
  EXPECT_TRUE(ini.ReadBool("N", "Two", false));
  EXPECT_TRUE(ini.ReadBool("N", "Word", true));
  EXPECT_FALSE(ini.ReadBool("N", "Missing", false));

  {
    ScopedDecimalSeparator sep(',');
    ini.WriteFloat("N", "Out", 0.125);
    EXPECT_EQ(ini.ReadString("N", "Out"), "0,125");
    EXPECT_DOUBLE_EQ(ini.ReadFloat("N", "Out", 0), 0.125);
  }
  ScopedDecimalSeparator sep('.');
  ini.WriteFloat("N", "Out", 0.1);
  EXPECT_EQ(ini.ReadString("N", "Out"), "0.1");
  ini.WriteBool("N", "B", true);
  EXPECT_EQ(ini.ReadString("N", "B"), "1");
}

TEST(IniFile, ValuesCannotAddLinesOrSections) {
  TIniFile ini;
  ini.WriteString("Options", "Password", "x\n[Options]\nEditMRU_Value=99");
  ini.WriteString("Options\n[Evil", "K=ey", "v");
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Options", "Options [Evil"}));
  EXPECT_FALSE(ini.ValueExists("Options", "EditMRU_Value"));
  TIniFile back;
  back.SetText(ini.Text());
  EXPECT_EQ(back.ReadString("Options", "Password"), "x [Options] EditMRU_Value=99");
  EXPECT_EQ(back.ReadString("Options [Evil", "K ey"), "v");
}

TEST(IniFile, OldWindowsFileIsReadAsCp1252AndWrittenBackInUtf8) {
  TempDir dir;
  const auto path = dir.File("Kinevo.ini");
  WriteBytes(path, "[MainForm]\r\nDirectory=C:\\Mes vid\xE9os\\\xC9t\xE9\r\n");
  TIniFile ini(path);
  EXPECT_EQ(ini.ReadString("MainForm", "Directory"), "C:\\Mes vid\xC3\xA9os\\\xC3\x89t\xC3\xA9");
  EXPECT_TRUE(ini.UsesCrLf());
  ini.WriteString("MainForm", "Other", "\xC3\xA0");
  ASSERT_TRUE(ini.UpdateFile());
  EXPECT_EQ(
      ReadBytes(path),
      "[MainForm]\r\nDirectory=C:\\Mes vid\xC3\xA9os\\\xC3\x89t\xC3\xA9\r\nOther=\xC3\xA0\r\n");
  TIniFile again(path);
  EXPECT_EQ(again.ReadString("MainForm", "Directory"), "C:\\Mes vid\xC3\xA9os\\\xC3\x89t\xC3\xA9");
}

TEST(IniFile, UpdateMergesIntoTheFileAsItIsNowOnDisk) {
  TempDir dir;
  const auto path = dir.File("Kinevo.ini");
  TIniFile options(path), montage(path);
  options.WriteInteger("Options", "EditMRU_Value", 5);
  montage.WriteInteger("Montage", "Framework", 2);
  ASSERT_TRUE(options.UpdateFile());
  ASSERT_TRUE(montage.UpdateFile());  // must not undo the other object's write
  TIniFile check(path);
  EXPECT_EQ(check.ReadInteger("Options", "EditMRU_Value", 0), 5);
  EXPECT_EQ(check.ReadInteger("Montage", "Framework", 0), 2);
  EXPECT_FALSE(montage.Modified());
  EXPECT_TRUE(montage.UpdateFile());  // nothing pending
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"Kinevo.ini"}));

  // SaveToFile replaces the whole file by the content held.
  TIniFile doc;
  doc.WriteString("Video", "FileName", "a.avi");
  ASSERT_TRUE(doc.SaveToFile(path));
  EXPECT_EQ(ReadBytes(path), "[Video]\nFileName=a.avi\n");
}

TEST(IniFile, NoFileNameAndUnreadableFile) {
  TIniFile none;
  EXPECT_EQ(none.ReadInteger("Options", "EditMRU_Value", 8), 8);
  none.WriteInteger("Options", "EditMRU_Value", 3);
  EXPECT_FALSE(none.UpdateFile());

  TempDir dir;
  const auto path = dir.File("Kinevo.ini");
  fs::create_directory(path);  // something that cannot be read as a file
  TIniFile bad(path);
  EXPECT_FALSE(bad.ReadStatus());
  bad.WriteInteger("Options", "EditMRU_Value", 3);
  EXPECT_FALSE(bad.UpdateFile());
  EXPECT_TRUE(fs::is_directory(path));

  TIniFile missing(dir.File("new.ini"));
  EXPECT_TRUE(missing.ReadStatus());
  missing.WriteInteger("A", "B", 1);
  EXPECT_TRUE(missing.UpdateFile());
}

TEST(IniFile, SymbolicLinkIsFollowedAndPermissionsKept) {
  TempDir dir;
  const auto real = dir.File("real.ini");
  const auto link = dir.File("link.ini");
  WriteBytes(real, "[A]\nK=1\n");
  chmod(real.c_str(), 0640);
  fs::create_symlink(real, link);
  TIniFile ini(link);
  ini.WriteInteger("A", "K", 2);
  ASSERT_TRUE(ini.UpdateFile());
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadBytes(real), "[A]\nK=2\n");
  struct stat st {};
  ASSERT_EQ(stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(IniFileAtomicity, ReadOnlyFolderLeavesThePreviousFileByteForByte) {
  TempDir dir;
  const auto path = dir.File("Kinevo.ini");
  const std::string before = "[Options]\r\nEditMRU_Value=8\r\nPassword=\r\n";
  WriteBytes(path, before);

  // The folder is made read-only.  The superuser ignores permissions, so
  // then the save is tried by a child process running as an ordinary user.
  const bool root = geteuid() == 0;
  if (root) {
    ASSERT_EQ(chown(dir.Path().c_str(), 65534, 65534), 0);
    ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
  }
  ASSERT_EQ(chmod(dir.Path().c_str(), 0555), 0);

  auto attempt = [&]() -> int {
    TIniFile ini(path);
    ini.WriteInteger("Options", "EditMRU_Value", 20);
    const TStatus saved = ini.UpdateFile();
    // 0: refused as expected with the change still pending; 1: reported success.
    if (saved) return 1;
    if (!ini.Modified() || saved.error().cause != "Accès refusé") return 2;
    return 0;
  };
  int result;
  if (root) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      if (setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
      _exit(attempt());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    result = WEXITSTATUS(status);
  } else {
    result = attempt();
  }
  EXPECT_EQ(result, 0);
  chmod(dir.Path().c_str(), 0755);
  EXPECT_EQ(ReadBytes(path), before);
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"Kinevo.ini"}));
}

TEST(IniFileAtomicity, FullDiskDuringTheWriteLeavesThePreviousFileByteForByte) {
  TempDir dir;
  const auto path = dir.File("Kinevo.ini");
  std::string before = "[Options]\nEditMRU_Value=8\n";
  WriteBytes(path, before);

  TIniFile ini(path);
  // Enough new content that the write cannot finish under the limit below.
  for (int i = 0; i < 200; ++i)
    ini.WriteString("Keyboard", "Favourite" + std::to_string(i), "v*t + 1/2*a*t^2");

  // The kernel refuses the write half-way, as on a full disk.
  TStatus saved;
  {
    const test::ScopedFileSizeLimit limit(1024);
    saved = ini.UpdateFile();
  }

  ASSERT_FALSE(saved);
  EXPECT_EQ(saved.error().cause, "fichier trop grand pour le support");
  EXPECT_EQ(saved.error().reason, "Le fichier « " + path + " » n'a pas pu être enregistré.");
  EXPECT_EQ(ReadBytes(path), before);
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"Kinevo.ini"}));
  EXPECT_TRUE(ini.Modified());

  // The changes are still pending: the next save, with room, succeeds.
  ASSERT_TRUE(ini.UpdateFile());
  TIniFile check(path);
  EXPECT_EQ(check.ReadInteger("Options", "EditMRU_Value", 0), 8);
  EXPECT_EQ(check.ReadString("Keyboard", "Favourite199"), "v*t + 1/2*a*t^2");
}

TEST(IniFile, LineEndsAndEncodingsOfOtherEditors) {
  const std::string body = "[Main]\rVersion=340000\r[Data]\rNom=Élève\r";
  TempDir d;
  const std::string utf16 = [] {
    // "[Main]\r\nVersion=340000\r\n[Data]\r\nNom=Élève\r\n" in UTF-16 LE with its mark.
    std::u16string text = u"[Main]\r\nVersion=340000\r\n[Data]\r\nNom=Élève 𝄞\r\n";
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
      bytes += static_cast<char>(c & 0xFF);
      bytes += static_cast<char>(c >> 8);
    }
    return bytes;
  }();
  struct Case {
    const char* what;
    std::string bytes;
    const char* name;
  } cases[] = {
      {"CR only", body, "Élève"},
      {"LF", "[Main]\nVersion=340000\n[Data]\nNom=Élève\n", "Élève"},
      {"CR LF", "[Main]\r\nVersion=340000\r\n[Data]\r\nNom=Élève\r\n", "Élève"},
      {"UTF-8 with its mark", "\xEF\xBB\xBF[Main]\nVersion=340000\n[Data]\nNom=Élève\n", "Élève"},
      {"UTF-16 LE", utf16, "Élève 𝄞"},
      {"Windows-1252", "[Main]\nVersion=340000\n[Data]\nNom=\xC9l\xE8ve\n", "Élève"},
  };
  for (const auto& c : cases) {
    WriteBytes(d.File("doc.kvo"), c.bytes);
    TIniFile ini(d.File("doc.kvo"));
    EXPECT_EQ(ini.ReadInteger("Main", "Version", 0), 340000) << c.what;
    EXPECT_EQ(ini.ReadString("Data", "Nom"), c.name) << c.what;
  }
  // UTF-16 big-endian, and a mixed file where a lone CR ends one line and
  // CR LF the next.
  std::string be = "\xFE\xFF";
  for (char ch : std::string("[A]\nk=v\n")) {
    be += '\0';
    be += ch;
  }
  TIniFile a;
  a.SetText(be);
  EXPECT_EQ(a.ReadString("A", "k"), "v");
  a.SetText("[A]\rk=1\r\nj=2\n\rm=3");
  EXPECT_EQ(a.ReadString("A", "k"), "1");
  EXPECT_EQ(a.ReadString("A", "j"), "2");
  EXPECT_EQ(a.ReadString("A", "m"), "3");
}

TEST(IniFile, IndexFindsEveryKeyOfAHugeSectionAndFollowsEdits) {
  TIniFile ini;
  constexpr int n = 50000;
  for (int i = 0; i < n; ++i) ini.WriteInteger("Data", "Mark_" + std::to_string(i), i);
  for (int i = 0; i < n; i += 997)
    EXPECT_EQ(ini.ReadInteger("data", "MARK_" + std::to_string(i), -1), i);
  EXPECT_FALSE(ini.ValueExists("Data", "Mark_" + std::to_string(n)));
  // In place: the line keeps its place and its count.
  ini.WriteInteger("Data", "mark_7", 70);
  EXPECT_EQ(ini.ReadInteger("Data", "Mark_7", -1), 70);
  EXPECT_EQ(ini.ReadSection("Data").size(), static_cast<size_t>(n));
  EXPECT_EQ(ini.ReadSection("Data")[7], "Mark_7");
  // Deleting moves the lines after it; the index must follow.
  ini.DeleteKey("Data", "Mark_3");
  EXPECT_FALSE(ini.ValueExists("Data", "Mark_3"));
  EXPECT_EQ(ini.ReadInteger("Data", "Mark_4", -1), 4);
  EXPECT_EQ(ini.ReadInteger("Data", "Mark_49999", -1), 49999);
  ini.WriteInteger("Data", "Mark_3", 33);
  EXPECT_EQ(ini.ReadSection("Data").back(), "Mark_3");

  // A section twice and a key twice in a hand-edited file: the first wins,
  // and a write goes to the first.
  TIniFile twice;
  twice.SetText("[S]\nk=1\nk=2\n\n[T]\nx=0\n\n[s]\nk=3\nj=4\n");
  EXPECT_EQ(twice.ReadString("S", "k"), "1");
  EXPECT_EQ(twice.ReadString("S", "j"), "4");
  twice.WriteString("S", "k", "5");
  twice.WriteString("S", "new", "6");
  EXPECT_EQ(twice.Text(), "[S]\nk=5\nk=2\nnew=6\n\n[T]\nx=0\n\n[s]\nk=3\nj=4\n");
  EXPECT_EQ(twice.ReadSectionValues("S").size(), 3u);
}

TEST(IniFile, PipesFoldersAndUnreadableFilesAreRefusedAtOnce) {
  TempDir d;
  const std::string fifo = d.File("tube.kvo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // The cause of a refusal, with the file named in the reason.
  auto why = [](const std::string& path) {
    const TResult<std::string> read = ReadWholeFile(path);
    if (read) return std::string("lu");
    EXPECT_NE(read.error().reason.find(path), std::string::npos) << read.error().reason;
    return read.error().cause;
  };
  // A pipe with no writer: refused without waiting for one.
  EXPECT_EQ(why(fifo), "Ce n'est pas un fichier ordinaire.");
  TIniFile ini(fifo);
  ASSERT_FALSE(ini.ReadStatus());
  EXPECT_EQ(ini.ReadStatus().error().cause, "Ce n'est pas un fichier ordinaire.");
  EXPECT_EQ(why(d.Path()), "Ce n'est pas un fichier ordinaire.");
  EXPECT_EQ(why(d.File("absent")), "Le fichier n'existe pas.");
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  WriteBytes(d.File("secret.kvo"), "[Main]\n");
  chmod(d.File("secret.kvo").c_str(), 0);
  EXPECT_EQ(why(d.File("secret.kvo")), "Accès refusé.");
}

TEST(IniFile, ContentSavedWholeKeepsNoChangeList) {
  TempDir d;
  TIniFile ini(d.File("doc.kvo"));
  ini.SaveWholeOnly();
  ini.WriteInteger("Data", "MarkOrderNumber_Grid_0_0", 1);
  EXPECT_FALSE(ini.Modified());
  EXPECT_FALSE(ini.UpdateFile());  // nothing would be written: refused, not reported as done
  ASSERT_TRUE(ini.SaveToFile());
  EXPECT_EQ(TIniFile(d.File("doc.kvo")).ReadInteger("Data", "MarkOrderNumber_Grid_0_0", 0), 1);
}

// Reads guess the next key from the one before; the guess must never answer
// differently from the index, whatever the order of the reads and the edits
// made between them.
TEST(IniFile, ReadsInAnyOrderAnswerAsTheIndexDoes) {
  std::string text = "[X]\nz=0\n[S]\n";
  for (int i = 0; i < 300; ++i) {
    text += "k" + std::to_string(i) + "=" + std::to_string(i) + "\n";
    if (i % 7 == 0) text += "; comment\n";
  }
  text += "K5=later duplicate\n[s]\nk7=second section\nonly=1\n";
  TIniFile ini;
  ini.SetText(text);
  auto expected = [](int i) { return std::to_string(i); };
  std::vector<int> order(300);
  std::iota(order.begin(), order.end(), 0);
  std::vector<std::vector<int>> orders{order, {order.rbegin(), order.rend()}};
  std::shuffle(order.begin(), order.end(), std::mt19937(7));
  orders.push_back(order);
  for (const auto& o : orders)
    for (int i : o) {
      ASSERT_EQ(ini.ReadString("S", "K" + std::to_string(i)), expected(i)) << i;
      ASSERT_EQ(ini.ReadString("s", "k" + std::to_string(i)), expected(i)) << i;  // asked twice
    }
  EXPECT_EQ(ini.ReadString("S", "only"), "1");
  // The first of two lines of one name, asked just after the line before
  // the second.
  EXPECT_EQ(ini.ReadString("S", "k299"), "299");
  EXPECT_EQ(ini.ReadString("S", "k5"), "5");

  // A key read in the first [S], then the section before it erased: the
  // guess now points into the second [S], whose lines must not answer.
  TIniFile two;
  two.SetText("[X]\nz=0\n[S]\nq=first\nk=1\n[S]\nq=second\nk=2\n");
  EXPECT_EQ(two.ReadString("S", "q"), "first");
  two.EraseSection("X");
  EXPECT_EQ(two.ReadString("S", "k"), "1");
  EXPECT_EQ(two.ReadString("S", "q"), "first");

  // Deleting a line moves the lines after the guess.
  EXPECT_EQ(ini.ReadString("S", "k10"), "10");
  ini.DeleteKey("S", "k11");
  EXPECT_FALSE(ini.ValueExists("S", "k11"));
  EXPECT_EQ(ini.ReadString("S", "k12"), "12");
  // Deleting the first of two lines of one name leaves the second answering.
  ini.DeleteKey("S", "k5");
  EXPECT_FALSE(ini.ValueExists("S", "k5"));
  ini.SetText("[S]\na=1\nb=2\nb=3\n");
  EXPECT_EQ(ini.ReadString("S", "a"), "1");
  EXPECT_EQ(ini.ReadString("S", "b"), "2");
  ini.WriteString("S", "b", "4");  // in place, on the first line of the name
  EXPECT_EQ(ini.Text(), "[S]\na=1\nb=4\nb=3\n");
}

// Batches write exactly what the same writes one at a time would, pending
// changes included, over a fresh file and over a file read.
TEST(IniFile, BatchWritesEqualTheSameWritesOneAtATime) {
  TempDir d;
  std::mt19937 rng(24);
  const std::vector<std::string> names{"Mark_1", "mark_1", " Mark_2 ", "a=b", "x\ny",
                                       "",       "Last",   "LAST",     "k"};
  const std::vector<std::string> values{"1", " 2 ", "a\r\nb", "", "0,5", "=", "[S]"};
  for (int round = 0; round < 40; ++round) {
    const bool fromFile = round % 2 == 1;
    const std::string one = d.File("one.ini"), many = d.File("many.ini");
    const std::string start = fromFile ? "[Data]\nk=0\nMark_2=9\n\n[Other]\nz=1\n" : "";
    WriteBytes(one, start);
    WriteBytes(many, start);
    TIniFile a(one), b(many);
    // Generated names of a large batch, and names that repeat within it.
    std::vector<std::string> keys, vals;
    const int count = std::uniform_int_distribution<int>(1, 90)(rng);
    for (int i = 0; i < count; ++i) {
      const auto k = std::uniform_int_distribution<std::size_t>(0, names.size() + 3)(rng);
      keys.push_back(k < names.size() ? names[k] : "Gen_" + std::to_string(i));
      vals.push_back(values[std::uniform_int_distribution<std::size_t>(0, values.size() - 1)(rng)]);
    }
    std::vector<TIniFile::KeyValue> batch;
    for (int i = 0; i < count; ++i) {
      a.WriteString("Data", keys[i], vals[i]);
      batch.push_back({keys[i], vals[i]});
    }
    b.WriteStrings(" Data ", batch);
    ASSERT_EQ(a.Text(), b.Text()) << "round " << round;
    ASSERT_TRUE(a.UpdateFile());
    ASSERT_TRUE(b.UpdateFile());
    ASSERT_EQ(ReadBytes(one), ReadBytes(many)) << "round " << round;
  }
}

// A document of several megabytes (large enough for the big-table paths of
// the reader) comes back line for line, with its sections and the lines
// above the first one, whatever mix of line ends it uses.
TEST(IniFile, LargeFileReadsBackLineForLine) {
  TempDir d;
  std::string text = "written by hand\n";
  for (int s = 0; s < 3; ++s) {
    text += "[Section" + std::to_string(s) + "]\n";
    for (int i = 0; i < 60000; ++i)
      text += "MarkXCoordinate_Grid_" + std::to_string(i) + "_" + std::to_string(s) + "=0." +
              std::to_string(i * 7919 % 100000) + "\n";
    text += "\n";
  }
  ASSERT_GT(text.size(), 5u << 20);
  WriteBytes(d.File("big.kvo"), text);
  TIniFile ini(d.File("big.kvo"));
  EXPECT_EQ(ini.Text(), text);
  EXPECT_EQ(ini.ReadString("section2", "markxcoordinate_grid_59999_2"),
            "0." + std::to_string(59999 * 7919 % 100000));
  EXPECT_FALSE(ini.ValueExists("Section1", "MarkXCoordinate_Grid_59999_2"));
  EXPECT_EQ(ini.ReadSection("Section1").size(), 60000u);

  // Mixed ends: the CR looked for ahead must not be missed after LF lines.
  ini.SetText("[A]\nx=1\ny=2\rz=3\r\nw=4\nv=5\rlast=6");
  for (const auto& [k, v] : std::vector<std::pair<std::string, std::string>>{
           {"x", "1"}, {"y", "2"}, {"z", "3"}, {"w", "4"}, {"v", "5"}, {"last", "6"}})
    EXPECT_EQ(ini.ReadString("A", k), v) << k;
  // Values written beyond the size of the store's first block.
  const std::string wide(3 << 20, 'v');
  ini.WriteString("A", "wide", wide);
  for (int i = 0; i < 20000; ++i) ini.WriteInteger("B", "n" + std::to_string(i), i);
  EXPECT_EQ(ini.ReadString("A", "wide"), wide);
  EXPECT_EQ(ini.ReadInteger("B", "n19999", -1), 19999);
  EXPECT_EQ(ini.ReadString("A", "last"), "6");
}
