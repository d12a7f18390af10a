// The file workflow: opening videos and documents, the search for a moved
// video, offering to save, saving, closing.
#include "core/app/file_workflow.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>

#include "core/document/mru_files.h"
#include "core/document/options.h"
#include "support/scripted_dialog.h"

using namespace kinevo;
namespace fs = std::filesystem;

namespace {

class FakeWorkspace : public IWorkspace {
 public:
  bool open = false;
  std::string video;
  bool opens = true;      // OpenVideo succeeds
  std::string openError;  // the reason of a failed OpenVideo
  bool readable = true;   // ReadDocument succeeds
  bool recording = false;
  int marks = 0;  // stands for the analysis
  int resets = 0, closes = 0, stops = 0, invalidations = 0, stateChanges = 0;

  bool VideoOpen() const override { return open; }
  std::string VideoFileName() const override { return video; }
  bool OpenVideo(const std::string& path) override {
    if (!opens) return false;
    open = true;
    video = path;
    marks = 0;
    ++resets;
    return true;
  }
  void CloseVideo() override {
    open = false;
    video.clear();
    ++closes;
  }
  void StopActivities() override { ++stops; }
  bool MontageRecording() const override { return recording; }
  bool BridgeAvailable() const override { return true; }
  std::string VideoOpenError() const override { return openError; }
  TStatus ReadDocument(TIniFile& ini) override {
    if (!readable || !ini.ValueExists("Data", "RequiredDuration"))
      return Fail("Erreur de lecture dans le fichier.");
    marks = ini.ReadInteger("Data", "Marks", 0);
    return {};
  }
  void WriteDocument(TIniFile& ini) override {
    ini.WriteFloat("Data", "RequiredDuration", 0.04);
    ini.WriteInteger("Data", "Marks", marks);
  }
  void InvalidateAllResults() override { ++invalidations; }
  void WindowStateChanged() override { ++stateChanges; }
};

class FakeFiles : public IFileDialogs {
 public:
  std::deque<std::string> openAnswers, saveAnswers;
  std::vector<TFileDialogRequest> asked;
  std::string OpenFile(const TFileDialogRequest& r) override {
    asked.push_back(r);
    if (openAnswers.empty()) return {};
    auto a = openAnswers.front();
    openAnswers.pop_front();
    return a;
  }
  std::string SaveFile(const TFileDialogRequest& r) override {
    asked.push_back(r);
    if (saveAnswers.empty()) return {};
    auto a = saveAnswers.front();
    saveAnswers.pop_front();
    return a;
  }
};

class FileWorkflowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("kinevo_workflow_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
           "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    video = Touch("chute.avi");
    dlg.SetPresenter(&script);
    options.CheckBox4ConfirmationFileChange = true;
    options.CheckBox3ConfirmationQuit = true;
    flow.Today = [] {
      std::tm t{};
      t.tm_mday = 9;
      t.tm_mon = 11;
      t.tm_year = 126;
      return t;
    };
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir, fs::perms::owner_all, ec);
    fs::remove_all(dir, ec);
  }
  std::string Touch(const std::string& name, const std::string& content = "x") {
    fs::path p = dir / name;
    std::ofstream(p, std::ios::binary) << content;
    return p.string();
  }
  std::string Document(const std::string& name, const std::string& videoPath, int marks) {
    return Touch(name, "[Main]\nVersion=340000\nVideoFileName=" + videoPath +
                           "\n[Data]\nRequiredDuration=0,04\nMarks=" + std::to_string(marks) +
                           "\n");
  }

  fs::path dir;
  std::string video;
  FakeWorkspace ws;
  test::ScriptedDialog script;
  TUserDlg dlg;
  FakeFiles files;
  TOptions options{""};
  TMRUFiles recent;
  TFileWorkflow flow{ws, dlg, files, options, recent};
};

}  // namespace

TEST_F(FileWorkflowTest, MissingVideoIsReportedWithItsPath) {
  EXPECT_FALSE(flow.OpenVideo((dir / "absente.avi").string()));
  ASSERT_EQ(script.Count(), 1u);
  EXPECT_EQ(script.shown[0].icon, icWarning);
  EXPECT_EQ(script.shown[0].lines[0].text, "Impossible d'ouvrir ce fichier vidéo.");
  EXPECT_EQ(script.shown[0].lines[1].color, kFileNameColor);
  EXPECT_EQ(ws.resets, 0);
}

TEST_F(FileWorkflowTest, VideoThatDoesNotOpenShowsSuggestionsAndLeavesNoVideo) {
  ws.opens = false;
  EXPECT_FALSE(flow.OpenVideo(video));
  ASSERT_EQ(script.Count(), 1u);
  EXPECT_NE(script.LastText().find("Problèmes possibles et suggestions"), std::string::npos);
  EXPECT_FALSE(ws.open);
  EXPECT_GE(ws.stateChanges, 1);
}

TEST_F(FileWorkflowTest, VideoThatDoesNotOpenEndsWithItsReason) {
  ws.opens = false;
  ws.openError = "Accès refusé";
  EXPECT_FALSE(flow.OpenVideo(video));
  ASSERT_EQ(script.Count(), 1u);
  const auto& lines = script.shown[0].lines;
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[0].text,
            "Impossible d'ouvrir ce fichier vidéo. Problèmes possibles et suggestions :");
  EXPECT_EQ(lines[2].text, "le fichier est abîmé ...");
  EXPECT_EQ(lines.back().text, "Détail : Accès refusé");
}

TEST_F(FileWorkflowTest, OfferToSaveCanCancelIgnoreOrSave) {
  ASSERT_TRUE(flow.OpenVideo(video));
  EXPECT_EQ(recent.Directory, dir.string());
  // Nothing changed yet: nothing to offer.
  std::size_t before = script.Count();
  EXPECT_TRUE(flow.OpenVideo(video));
  EXPECT_EQ(script.Count(), before);
  ws.marks = 5;
  flow.NoteChange();
  // Annuler: the opening stops, the work stays.
  script.Answer(1);
  EXPECT_FALSE(flow.OpenVideo(video));
  EXPECT_EQ(ws.marks, 5);
  EXPECT_NE(script.LastText().find("Annuler l'ouverture"), std::string::npos);
  // Enregistrer, but the save dialog is cancelled: nothing is lost.
  script.Answer(0);
  EXPECT_FALSE(flow.OpenVideo(video));
  EXPECT_EQ(ws.marks, 5);
  // Ignorer: the new video opens and resets the work.
  script.Answer(2);
  EXPECT_TRUE(flow.OpenVideo(video));
  EXPECT_EQ(ws.marks, 0);
  // With the confirmation off, nothing is asked.
  flow.NoteChange();
  options.CheckBox4ConfirmationFileChange = false;
  before = script.Count();
  EXPECT_TRUE(flow.OpenVideo(video));
  EXPECT_EQ(script.Count(), before);
}

TEST_F(FileWorkflowTest, SavingTwiceTheSameDayProposesTheNextNumber) {
  ASSERT_TRUE(flow.OpenVideo(video));
  ws.marks = 3;
  files.saveAnswers.push_back((dir / "chute_1_09122026").string());  // extension added
  ASSERT_TRUE(flow.Save());
  EXPECT_EQ(files.asked.back().fileName, "chute_1_09122026.kvo");
  EXPECT_EQ(files.asked.back().title, "Enregistrer un travail dans un fichier KVO");
  EXPECT_TRUE(fs::exists(dir / "chute_1_09122026.kvo"));
  EXPECT_EQ(script.shown.back().lines[0].text, "Le fichier a été enregistré avec succès :");
  ASSERT_EQ(recent.Count(), 1);
  files.saveAnswers.push_back({});
  EXPECT_FALSE(flow.SaveAs());
  EXPECT_EQ(files.asked.back().fileName, "chute_2_09122026.kvo");
  // A date already in the video's name is not repeated.
  EXPECT_EQ(
      fs::path(flow.ProposedDocumentName((dir / "essai_01022020_.avi").string(), flow.Today()))
          .filename(),
      "essai_1_09122026.kvo");
}

TEST_F(FileWorkflowTest, ReplacingAnExistingDocumentAsksFirst) {
  ASSERT_TRUE(flow.OpenVideo(video));
  std::string doc = Document("ancien.kvo", video, 1);
  files.saveAnswers.push_back(doc);
  script.Answer(0);  // Annuler
  EXPECT_FALSE(flow.Save());
  std::string content;
  content = ReadWholeFile(doc).value_or("");
  EXPECT_NE(content.find("Marks=1"), std::string::npos);
  ws.marks = 7;
  files.saveAnswers.push_back(doc);
  script.Answer(1);  // Ok
  script.Answer(0);
  EXPECT_TRUE(flow.Save());
  content = ReadWholeFile(doc).value_or("");
  EXPECT_NE(content.find("Marks=7"), std::string::npos);
  EXPECT_NE(content.find("Version=340000"), std::string::npos);
}

TEST_F(FileWorkflowTest, FailedSaveIsReportedAndLeavesThePreviousFileIntact) {
  if (geteuid() == 0) {
    // root writes into read-only folders; use a folder that does not exist.
    ASSERT_TRUE(flow.OpenVideo(video));
    files.saveAnswers.push_back((dir / "nulle-part" / "travail.kvo").string());
    EXPECT_FALSE(flow.Save());
    EXPECT_NE(script.LastText().find("La sauvegarde du fichier a échoué."), std::string::npos);
    EXPECT_NE(script.LastText().find("protégé en écriture"), std::string::npos);
    EXPECT_EQ(recent.Count(), 0);
    return;
  }
  ASSERT_TRUE(flow.OpenVideo(video));
  std::string doc = Document("garde.kvo", video, 2);
  std::string before;
  before = ReadWholeFile(doc).value_or("");
  fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
  ws.marks = 9;
  files.saveAnswers.push_back(doc);
  script.Answer(1);
  EXPECT_FALSE(flow.Save());
  fs::permissions(dir, fs::perms::owner_all);
  std::string after;
  after = ReadWholeFile(doc).value_or("");
  EXPECT_EQ(before, after);
  EXPECT_NE(script.LastText().find("La sauvegarde du fichier a échoué."), std::string::npos);
}

TEST_F(FileWorkflowTest, SaveAsNeverReplacesTheVideoNorAProtectedDocument) {
  ASSERT_TRUE(flow.OpenVideo(video));
  // A document name that is the video itself, through a link.
  fs::create_symlink(video, dir / "lien.kvo");
  files.saveAnswers.push_back((dir / "lien.kvo").string());
  EXPECT_FALSE(flow.SaveAs());
  EXPECT_NE(script.LastText().find("est lu par cette opération : il ne peut pas être remplacé."),
            std::string::npos)
      << script.LastText();
  std::string content;
  content = ReadWholeFile(video).value_or("");
  EXPECT_EQ(content, "x");

  // Protected against writing: refused with the reason, even to the
  // superuser.
  const std::string doc = Document("garde.kvo", video, 2);
  fs::permissions(doc, fs::perms::owner_read);
  ws.marks = 9;
  files.saveAnswers.push_back(doc);
  EXPECT_FALSE(flow.SaveAs());
  EXPECT_NE(script.LastText().find("Détail : le fichier existant est protégé en écriture"),
            std::string::npos)
      << script.LastText();
  content = ReadWholeFile(doc).value_or("");
  EXPECT_NE(content.find("Marks=2"), std::string::npos);
}

TEST_F(FileWorkflowTest, DocumentOpensItsVideoAndReadsTheWork) {
  std::string doc = Document("travail.kvo", video, 4);
  ASSERT_TRUE(flow.OpenDocument(doc));
  EXPECT_EQ(ws.video, video);
  EXPECT_EQ(ws.marks, 4);
  EXPECT_EQ(ws.invalidations, 1);
  EXPECT_EQ(script.Count(), 0u);
  EXPECT_FALSE(flow.Document().IsOpen());
}

TEST_F(FileWorkflowTest, UnreadableDocumentClosesTheVideoAgain) {
  std::string doc = Touch("casse.kvo", "[Main]\nVersion=340000\nVideoFileName=" + video + "\n");
  EXPECT_FALSE(flow.OpenDocument(doc));
  EXPECT_FALSE(ws.open);
  EXPECT_EQ(script.LastText(), "Erreur de lecture dans le fichier.");
  ws.readable = false;
  std::string doc2 = Document("refuse.kvo", video, 1);
  EXPECT_FALSE(flow.OpenDocument(doc2));
  EXPECT_FALSE(ws.open);
  EXPECT_EQ(script.LastText(), "Erreur de lecture dans le fichier.");
}

TEST_F(FileWorkflowTest, MovedVideoIsSearchedAndAnotherNameIsConfirmedThenPathRewritten) {
  std::string old = (dir / "ailleurs" / "chute.avi").string();
  std::string doc = Document("deplace.kvo", old, 6);
  std::string other = Touch("autre_nom.avi");
  script.Answer(1);  // Rechercher
  files.openAnswers.push_back(other);
  script.Answer(0);  // Ok to the different names
  ASSERT_TRUE(flow.OpenDocument(doc));
  EXPECT_EQ(files.asked.back().fileName, "chute.avi");
  EXPECT_TRUE(
      script.Contains("Le fichier sélectionné et le fichier attendu ont des noms différents."));
  EXPECT_EQ(ws.video, other);
  EXPECT_EQ(ws.marks, 6);
  TIniFile reread(doc);
  EXPECT_EQ(reread.ReadString("Main", "VideoFileName"), other);
}

TEST_F(FileWorkflowTest, MovedVideoSearchCancelledAbandonsTheOpening) {
  std::string doc = Document("perdu.kvo", (dir / "x" / "v.avi").string(), 1);
  script.Answer(0);  // Annuler
  EXPECT_FALSE(flow.OpenDocument(doc));
  EXPECT_FALSE(ws.open);
  script.Answer(1);  // Rechercher, then the dialog is cancelled
  EXPECT_FALSE(flow.OpenDocument(doc));
  script.Answer(1);                                       // Rechercher, same name chosen
  files.openAnswers.push_back((dir / "v.avi").string());  // does not exist: asked again
  script.Answer(0);
  EXPECT_FALSE(flow.OpenDocument(doc));
  EXPECT_TRUE(script.Contains("Fichier sélectionné :"));
}

TEST_F(FileWorkflowTest, ExtensionsDecideHowAFileIsOpened) {
  EXPECT_TRUE(IsVideoExtension("a/B.AVI"));
  EXPECT_TRUE(IsVideoExtension("c.mpeg"));
  EXPECT_TRUE(IsDocumentExtension("D.KVO"));
  EXPECT_TRUE(IsVideoExtension("e.mp4"));
  EXPECT_TRUE(IsVideoExtension("f.WEBM"));
  EXPECT_FALSE(IsVideoExtension("g.txt"));
  std::string doc = Document("maj.KVO", video, 2);
  EXPECT_TRUE(flow.OpenByExtension(doc));
  EXPECT_EQ(ws.marks, 2);
  EXPECT_FALSE(flow.OpenByExtension(Touch("f.txt")));
}

TEST_F(FileWorkflowTest, ClosingTheWindowFollowsTheQuitConfirmation) {
  options.CheckBox3ConfirmationQuit = false;
  ASSERT_TRUE(flow.OpenVideo(video));
  ws.marks = 3;
  flow.NoteChange();
  std::size_t shown = script.Count();
  EXPECT_TRUE(flow.CloseWindow());
  EXPECT_EQ(script.Count(), shown);
  options.CheckBox3ConfirmationQuit = true;
  script.Answer(1);  // Annuler
  EXPECT_FALSE(flow.CloseWindow());
  script.Answer(0);  // Enregistrer, save cancelled: stays open
  EXPECT_FALSE(flow.CloseWindow());
  script.Answer(2);  // Quitter
  EXPECT_TRUE(flow.CloseWindow());
  ws.open = false;
  script.Answer(0);  // Annuler
  EXPECT_FALSE(flow.CloseWindow());
  script.Answer(1);  // Quitter
  EXPECT_TRUE(flow.CloseWindow());
}

TEST_F(FileWorkflowTest, ClosingTheVideoIsRefusedDuringARecording) {
  ASSERT_TRUE(flow.OpenVideo(video));
  flow.NoteChange();
  ws.recording = true;
  EXPECT_FALSE(flow.CloseVideo());
  EXPECT_TRUE(ws.open);
  ws.recording = false;
  script.Answer(2);  // Ignorer
  EXPECT_TRUE(flow.CloseVideo());
  EXPECT_FALSE(ws.open);
  EXPECT_GE(ws.stops, 1);
}

TEST_F(FileWorkflowTest, FrozenListAndMissingFilesStayOutOfTheRecentFiles) {
  options.CheckBox6FreezeMRU = true;
  flow.AddToRecent(video);
  EXPECT_EQ(recent.Count(), 0);
  options.CheckBox6FreezeMRU = false;
  flow.AddToRecent((dir / "absent.avi").string());
  EXPECT_EQ(recent.Count(), 0);
  flow.AddToRecent(video);
  EXPECT_EQ(recent.Count(), 1);
}

TEST_F(FileWorkflowTest, SaveWritesOverTheDocumentWithoutAskingAndSaveAsAsks) {
  std::string doc = Document("travail.kvo", video, 4);
  int stateChanges = 0;
  auto link = flow.OnDocumentStateChanged.Connect([&] { ++stateChanges; });
  ASSERT_TRUE(flow.OpenDocument(doc));
  EXPECT_EQ(flow.DocumentName(), doc);
  EXPECT_FALSE(flow.Modified());
  ws.marks = 6;
  flow.NoteChange();
  EXPECT_TRUE(flow.Modified());
  const int before = stateChanges;
  ASSERT_TRUE(flow.Save());
  EXPECT_TRUE(files.asked.empty());
  EXPECT_EQ(script.Count(), 0u);
  EXPECT_FALSE(flow.Modified());
  EXPECT_GT(stateChanges, before);
  std::string content;
  content = ReadWholeFile(doc).value_or("");
  EXPECT_NE(content.find("Marks=6"), std::string::npos);
  // "Enregistrer sous..." asks, and the work then belongs to the new name.
  const std::string other = (dir / "copie.kvo").string();
  files.saveAnswers.push_back(other);
  ASSERT_TRUE(flow.SaveAs());
  EXPECT_EQ(files.asked.size(), 1u);
  EXPECT_EQ(flow.DocumentName(), other);
  ws.marks = 8;
  ASSERT_TRUE(flow.Save());
  content = ReadWholeFile(other).value_or("");
  EXPECT_NE(content.find("Marks=8"), std::string::npos);
  content = ReadWholeFile(doc).value_or("");
  EXPECT_NE(content.find("Marks=6"), std::string::npos);
}

TEST_F(FileWorkflowTest, NewAndRecoveredWorkAskForTheirName) {
  ASSERT_TRUE(flow.OpenVideo(video));
  files.saveAnswers.push_back({});
  EXPECT_FALSE(flow.Save());
  ASSERT_EQ(files.asked.size(), 1u);
  EXPECT_EQ(files.asked[0].fileName, "chute_1_09122026.kvo");
  // Recovered work is unsaved, and its save proposes the original name.
  std::string doc = Document("perdu.kvo", video, 2);
  flow.SetRecoveredDocument(doc);
  EXPECT_TRUE(flow.Modified());
  files.saveAnswers.push_back({});
  EXPECT_FALSE(flow.Save());
  ASSERT_EQ(files.asked.size(), 2u);
  EXPECT_EQ(files.asked[1].fileName, "perdu.kvo");
}

TEST_F(FileWorkflowTest, OffersToSaveOnlyWhenTheWorkChanged) {
  std::string doc = Document("travail.kvo", video, 4);
  ASSERT_TRUE(flow.OpenDocument(doc));
  // Unchanged: closing the video asks nothing; quitting only confirms.
  EXPECT_TRUE(flow.CloseVideo());
  EXPECT_EQ(script.Count(), 0u);
  ASSERT_TRUE(flow.OpenDocument(doc));
  script.Answer(1);  // Quitter
  EXPECT_TRUE(flow.CloseWindow());
  ASSERT_EQ(script.Count(), 1u);
  EXPECT_EQ(script.shown[0].lines.size(), 2u);
  // Changed, then saved: nothing to offer again.
  flow.NoteChange();
  script.Answer(0);  // Enregistrer: over the document, without asking
  EXPECT_TRUE(flow.CloseVideo());
  EXPECT_EQ(script.Count(), 2u);
  EXPECT_TRUE(files.asked.empty());
  EXPECT_FALSE(flow.Modified());
}
