// Documents that are damaged, truncated, or saved over older ones.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "core/app/session.h"
#include "core/common/atomic_file.h"
#include "core/common/sha256.h"
#include "support/real_frame_sources.h"
#include "support/run_program.h"
#include "support/scripted_dialog.h"
#include "support/test_videos_avi.h"

using namespace kinevo;
namespace fs = std::filesystem;

namespace {

struct SaveAs : IFileDialogs {
  std::string path;
  std::string OpenFile(const TFileDialogRequest&) override { return {}; }
  std::string SaveFile(const TFileDialogRequest&) override { return path; }
};

class DocumentRobustness : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = test::MakeTempDir("kinevo_doc_robust");
    video = dir + "/v.avi";
    ASSERT_TRUE(test::WriteIndexedAvi(video, 80, 60, 20));
    session = std::make_unique<TSession>(test::RealFrameSources(), "", &script);
    session->Options.CheckBox4ConfirmationFileChange = false;
    session->SetFileDialogs(&files);
    session->Video.Resize(80, 60);
  }
  void TearDown() override {
    session.reset();
    fs::remove_all(dir);
  }
  // A document of `containers` marked images, hidden image 7, one formula.
  std::string Write(const std::string& name, int containers) {
    const std::string path = dir + "/" + name;
    TIniFile ini(path);
    ini.WriteInteger("Main", "Version", 340000);
    ini.WriteString("Main", "VideoFileName", video);
    ini.WriteFloat("Data", "RequiredDuration", 0.04);
    ini.WriteInteger("Data", "MarksNumberPerFrame_Grid", 1);
    ini.WriteInteger("Data", "MarksContainersNumber_Grid", containers);
    for (int i = 0; i < containers; ++i) {
      const std::string s = "_Grid_" + std::to_string(i);
      ini.WriteInteger("Data", "MarksContainerFrameNumber" + s, 2 * i);
      ini.WriteInteger("Data", "MarksContainerMarkNumber" + s, i);
      ini.WriteInteger("Data", "MarksContainerMarksNumber" + s, 1);
      ini.WriteInteger("Data", "MarkOrderNumber" + s + "_0", 0);
      ini.WriteFloat("Data", "MarkXCoordinate" + s + "_0", 0.1 * i);
      ini.WriteFloat("Data", "MarkYCoordinate" + s + "_0", 0.5);
    }
    ini.WriteInteger("Video", "ImageNumber", 2);
    ini.WriteInteger("Montage", "VisibleImagesNumber", 20);
    for (int i = 0; i < 20; ++i)
      ini.WriteBool("Montage", "IsVisibleImage_" + std::to_string(i), i != 7);
    ini.WriteInteger("Formules", "FormulesNumber", 1);
    ini.WriteString("Record", "RecordFormuleIdentifier_0", "u");
    ini.WriteString("Record", "RecordFormulePhrase_0", "3*t");
    ini.WriteString("Record", "RecordFormuleComment_0", "essai é=è");
    ini.WriteString("Record", "RecordFormuleUnit_0", "s");
    EXPECT_TRUE(ini.UpdateFile());
    return path;
  }

  std::string dir, video;
  test::ScriptedDialog script;
  SaveAs files;
  std::unique_ptr<TSession> session;
};

}  // namespace

TEST_F(DocumentRobustness, MontageAndFormulasComeBackAfterASave) {
  const std::string doc = Write("a.kvo", 3);
  ASSERT_TRUE(session->Workflow().OpenDocument(doc)) << script.LastText();
  EXPECT_FALSE(session->Montage.IsVisible(7));
  ASSERT_EQ(session->Formulas.FormulaCount(), 1);
  EXPECT_EQ(session->Formulas.Formula(0).Comment, "essai é=è");
  files.path = dir + "/b.kvo";
  ASSERT_TRUE(session->Workflow().SaveAs());
  auto other = std::make_unique<TSession>(test::RealFrameSources(), "", &script);
  ASSERT_TRUE(other->Workflow().OpenDocument(files.path)) << script.LastText();
  EXPECT_FALSE(other->Montage.IsVisible(7));
  EXPECT_EQ(other->Montage.TimeShifts(), session->Montage.TimeShifts());
  ASSERT_EQ(other->Formulas.FormulaCount(), 1);
  EXPECT_EQ(other->Formulas.Formula(0).FormulaText(), session->Formulas.Formula(0).FormulaText());
  EXPECT_EQ(other->Video.CurrentImage(), session->Video.CurrentImage());
  EXPECT_EQ(other->Data.GetSeries().xs, session->Data.GetSeries().xs);
}

TEST_F(DocumentRobustness, SavingOverALargerOlderDocumentWritesTheNewCount) {
  const std::string doc = Write("big.kvo", 5);
  ASSERT_TRUE(session->Workflow().OpenDocument(doc));
  ASSERT_EQ(session->Data.GridMarks().MarksCount(), 5);
  // Keep the first two images' marks.
  for (int image : {8, 6, 4}) session->Data.EraseMarksOfImage(image);
  ASSERT_EQ(session->Data.GridMarks().MarksCount(), 2);
  files.path = doc;
  script.Answer(1);  // "Ok": replace
  script.Answer(0);
  ASSERT_TRUE(session->Workflow().Save());
  TIniFile saved(doc);
  EXPECT_LE(saved.ReadInteger("Data", "MarksContainersNumber_Grid", -1), 5);
  auto other = std::make_unique<TSession>(test::RealFrameSources(), "", &script);
  ASSERT_TRUE(other->Workflow().OpenDocument(doc));
  EXPECT_EQ(other->Data.GridMarks().MarksCount(), 2);
}

TEST_F(DocumentRobustness, ATruncatedDocumentOpensAndSaysHowManyMarksItLost) {
  const std::string doc = Write("court.kvo", 4);
  {
    // Three containers announced beyond the four written, and two more marks
    // in the last one than it holds.
    TIniFile ini(doc);
    ini.WriteInteger("Data", "MarksContainersNumber_Grid", 7);
    ini.WriteInteger("Data", "MarksContainerMarksNumber_Grid_3", 3);
    ASSERT_TRUE(ini.UpdateFile());
  }
  ASSERT_TRUE(session->Workflow().OpenDocument(doc));
  EXPECT_EQ(session->Data.GridMarks().MarksCount(), 4);
  EXPECT_TRUE(script.Contains("Le fichier est incomplet.")) << script.LastText();
  EXPECT_TRUE(script.Contains("2 marques n'ont pas pu être lues.")) << script.LastText();
  EXPECT_TRUE(script.Contains("3 images marquées n'ont pas pu être lues.")) << script.LastText();
  // A whole document says nothing.
  const std::size_t before = script.Count();
  ASSERT_TRUE(session->Workflow().OpenDocument(Write("entier.kvo", 4)));
  EXPECT_EQ(script.Count(), before);
}

TEST_F(DocumentRobustness, TruncatedAndGarbledDocumentsNeverLeaveAHalfOpenVideo) {
  const std::string doc = Write("full.kvo", 6);
  std::string text;
  text = ReadWholeFile(doc).value_or("");
  ASSERT_FALSE(text.empty());
  std::mt19937 rng(7);
  int opened = 0, refused = 0;
  for (std::size_t cut = 0; cut < text.size(); cut += 7) {
    for (int variant = 0; variant < 2; ++variant) {
      std::string damaged = text.substr(0, cut);
      if (variant == 1) {
        // Garble a few bytes of what is left.
        for (int k = 0; k < 4 && !damaged.empty(); ++k)
          damaged[std::uniform_int_distribution<std::size_t>(0, damaged.size() - 1)(rng)] =
              static_cast<char>(std::uniform_int_distribution<int>(0, 255)(rng));
        damaged += "\n[Data]\nMarksContainersNumber_Grid=2147483647\nMarksNumberPerFrame_Grid=-4\n";
      }
      const std::string path = dir + "/damaged.kvo";
      ASSERT_TRUE(WriteFileAtomically(path, damaged));
      std::size_t before = script.Count();
      bool ok = session->Workflow().OpenDocument(path);
      if (ok) {
        ++opened;
        EXPECT_TRUE(session->Video.IsOpen());
      } else {
        ++refused;
        EXPECT_FALSE(session->Video.IsOpen()) << "cut " << cut;
        EXPECT_GT(script.Count(), before);
      }
      session->Workflow().CloseVideo();
    }
  }
  EXPECT_GT(opened, 0);
  EXPECT_GT(refused, 0);
}

// Opening reads: whatever is given as a document, in the window's workflow
// or in any command of kinevo-cli, the file is the same afterwards.
TEST_F(DocumentRobustness, OpeningAnyFileNeverChangesIt) {
  const std::string doc = Write("bon.kvo", 3);
  std::string good;
  good = ReadWholeFile(doc).value_or("");
  ASSERT_FALSE(good.empty());
  std::string crOnly = good, utf16 = "\xFF\xFE";
  for (char& c : crOnly)
    if (c == '\n') c = '\r';
  for (char c : good) {
    utf16 += c;
    utf16 += '\0';
  }
  std::string videoBytes;
  videoBytes = ReadWholeFile(video).value_or("");
  ASSERT_FALSE(videoBytes.empty());
  const std::string oldLayout = video + "\r\n0,04\r\n0\r\n0\r\n";
  const std::vector<std::pair<std::string, std::string>> inputs = {
      {"video.kvo", videoBytes},
      {"vide.kvo", ""},
      {"notes.kvo", "Ceci n'est pas une analyse.\nMais un texte.\n"},
      {"cr.kvo", crOnly},
      {"utf16.kvo", utf16},
      {"tronque.kvo", good.substr(0, good.size() / 2)},
      {"ancien.kvo", oldLayout},
      {"sans_saut.kvo", std::string(300000, 'k')},
  };
  for (const auto& [name, bytes] : inputs) {
    const std::string path = dir + "/" + name;
    ASSERT_TRUE(WriteFileAtomically(path, bytes));
    const std::string before = Sha256Hex(bytes);
    auto same = [&](const std::string& how) {
      // An empty file reads as empty: only a failed read is a failure.
      const auto after = ReadWholeFile(path);
      ASSERT_TRUE(after) << name << ": " << after.error().Text();
      EXPECT_EQ(Sha256Hex(after.value()), before) << name << " after " << how;
    };
    session->Workflow().OpenDocument(path);
    session->Workflow().CloseVideo();
    same("opening in the workflow");
    for (const char* command : {"dump", "results"}) {
      const auto r = test::RunCli(KINEVO_CLI_PATH, {command, path});
      same(command);
      // Messages never carry the file's raw bytes.
      EXPECT_LT(r.err.size(), 2000u) << name;
      for (unsigned char c : r.err) EXPECT_TRUE(c >= 0x20 || c == '\n' || c == '\t') << name;
    }
  }
  // The readable ones are read: CR-only and UTF-16 documents open.
  EXPECT_TRUE(session->Workflow().OpenDocument(dir + "/cr.kvo")) << script.LastText();
  EXPECT_EQ(session->Data.GridMarks().MarksCount(), 3);
  session->Workflow().CloseVideo();
  EXPECT_TRUE(session->Workflow().OpenDocument(dir + "/utf16.kvo")) << script.LastText();
  session->Workflow().CloseVideo();
  // Not a document: said so, never taken for a moved video.
  for (const char* name : {"notes.kvo", "video.kvo"}) {
    const std::string path = dir + "/" + name;
    EXPECT_FALSE(session->Workflow().OpenDocument(path));
    EXPECT_EQ(script.LastText(), "Erreur de lecture dans le fichier.\nDétail : « " + path +
                                     " » n'est pas un document Kinevo (ni version, ni "
                                     "présentation ancienne reconnue)");
  }
}

TEST_F(DocumentRobustness, AnOldDocumentOpenedAndSavedIsInTheCurrentLayout) {
  const std::string old = dir + "/ancien.kvo";
  const std::string bytes = video + "\r\n0,04\r\n0\r\n0\r\n";
  ASSERT_TRUE(WriteFileAtomically(old, bytes));
  ASSERT_TRUE(session->Workflow().OpenDocument(old)) << script.LastText();
  std::string now;
  now = ReadWholeFile(old).value_or("");
  ASSERT_FALSE(now.empty());
  EXPECT_EQ(now, bytes);
  files.path = old;
  script.Answer(1);  // replace the existing file
  ASSERT_TRUE(session->Workflow().Save()) << script.LastText();
  now = ReadWholeFile(old).value_or("");
  ASSERT_FALSE(now.empty());
  EXPECT_EQ(now.rfind("[Main]", 0), 0u) << now.substr(0, 60);
  TIniFile saved(old);
  EXPECT_EQ(saved.ReadInteger("Main", "Version", 0), 340000);
  EXPECT_EQ(saved.ReadString("Main", "VideoFileName"), video);
}
