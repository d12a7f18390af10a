// The montage recording over a recorder that keeps what it is given: which
// images are written and in what order, the empty images of the time gaps,
// the output size, the proposed names, and what a failure or a cancel
// leaves behind.
#include "core/montage/record_montage.h"

#include <gtest/gtest.h>

#include <deque>
#include <fstream>

#include "core/common/ini_file.h"
#include "core/common/settings_file.h"
#include "support/fake_view.h"
#include "support/scripted_dialog.h"
#include "support/temp_dir.h"
#include "support/test_videos.h"

namespace kinevo {
namespace {

// Keeps the pictures; creates the file on Open so that its removal shows.
class KeepingRecorder : public TRecorder {
 public:
  explicit KeepingRecorder(TVideoFramework fw = fwVfw) : fw_(fw) {}
  int failAt = -1;  // AddFrame number that fails
  std::vector<Image> frames;
  std::string path, codec;
  int width = 0, height = 0, aborts = 0, closes = 0;
  double rate = 0;
  std::function<void()> onFrame;

  TVideoFramework Framework() const override { return fw_; }
  std::vector<std::string> Codecs() override { return {"sans", "MJPEG"}; }
  bool Open(const std::string& p, int w, int h, double r, const std::string& c) override {
    path = p, width = w, height = h, rate = r, codec = c;
    std::ofstream(p) << "RIFF";
    return true;
  }
  bool AddFrame(const Image& picture) override {
    if (onFrame) onFrame();
    if (static_cast<int>(frames.size()) == failAt) return false;
    frames.push_back(picture);
    return true;
  }
  bool Close() override { return ++closes, true; }
  void Abort() override { ++aborts; }
  std::string Error() const override { return "Une image n'a pu être insérée dans le flux vidéo"; }

 private:
  TVideoFramework fw_;
};

// Answers the dialogs from a script.
struct ScriptedUi : IRecordUi {
  bool dialogOk = true;
  TRecordRequest lastRequest;
  std::deque<std::string> saveAnswers;
  std::vector<TSaveRequest> saveRequests;
  std::vector<std::string> openAnswer;
  std::function<void(TRecordChoices&)> edit;
  bool RecordDialog(const TRecordRequest& r, TRecordChoices& c) override {
    lastRequest = r;
    if (edit) edit(c);
    return dialogOk;
  }
  std::string SaveFile(const TSaveRequest& r) override {
    saveRequests.push_back(r);
    if (saveAnswers.empty()) return {};
    std::string a = saveAnswers.front();
    saveAnswers.pop_front();
    return a;
  }
  std::vector<std::string> OpenFiles(const TSaveRequest&) override { return openAnswer; }
};

constexpr int kW = 64, kH = 48;

struct RecordFixture : ::testing::Test {
  test::FakeView view{kW, kH, 10};
  test::ScriptedDialog presenter;
  TUserDlg dlg{&presenter};
  TMontage montage{view, dlg};
  TRecordMontage rec{view, montage, dlg};
  KeepingRecorder* recorder = nullptr;
  ScriptedUi ui;
  test::TempDir dir{"kinevo-record"};
  std::vector<bool> waiting;

  void SetUp() override {
    view.mode = vmMontage;
    montage.NewVideo(10);
    auto r = std::make_unique<KeepingRecorder>();
    recorder = r.get();
    rec.SetRecorder(std::move(r));
    rec.Ui = &ui;
    rec.DrawCurrent = [this](Image& full) {
      full = test::IndexedImage(kW, kH, view.current);
      return true;
    };
    rec.SetWaiting = [this](bool on) { waiting.push_back(on); };
    rec.RecentFolder = [this] { return dir.Path(); };
    rec.Today = [] {
      std::tm t{};
      t.tm_mday = 9, t.tm_mon = 11, t.tm_year = 126;
      return t;
    };
  }
  std::vector<int> WrittenIndexes() const {
    std::vector<int> out;
    for (const Image& f : recorder->frames)
      out.push_back(
          f == Image(f.Width(), f.Height(), kEmptyImageColour) ? -1 : test::ReadIndexPattern(f));
    return out;
  }
};

TEST_F(RecordFixture, VisibleImagesAreWrittenInOrderWithOneGreyImagePerMissingTime) {
  montage.SetVisible(2, false);
  view.current = 5;
  ASSERT_TRUE(montage.ShiftTimes(+1));  // a gap opened before image 5
  view.current = 7;

  TRecordChoices c;
  c.emptyImages = true;
  c.rate = 12.5;
  const std::string out = dir.File("m.avi");
  ASSERT_TRUE(rec.RecordMontageTo(out, c));
  EXPECT_EQ(WrittenIndexes(), (std::vector<int>{0, 1, 3, 4, -1, 5, 6, 7, 8, 9}));
  EXPECT_EQ(recorder->rate, 12.5);
  EXPECT_EQ(recorder->closes, 1);
  EXPECT_EQ(view.current, 7);  // the current image is put back
  EXPECT_EQ(waiting, (std::vector<bool>{true, false}));
  EXPECT_FALSE(rec.Busy());

  // Without empty images the gap is closed up.
  recorder->frames.clear();
  c.emptyImages = false;
  ASSERT_TRUE(rec.RecordMontageTo(out, c));
  EXPECT_EQ(WrittenIndexes(), (std::vector<int>{0, 1, 3, 4, 5, 6, 7, 8, 9}));
}

TEST_F(RecordFixture, BusyWhileWritingAndRefusesASecondRun) {
  bool busySeen = false, secondRefused = false;
  recorder->onFrame = [&] {
    busySeen = rec.Busy();
    if (recorder->frames.size() == 1) secondRefused = !rec.RecordMontageTo(dir.File("b.avi"), {});
  };
  ASSERT_TRUE(rec.RecordMontageTo(dir.File("a.avi"), {}));
  EXPECT_TRUE(busySeen);
  EXPECT_TRUE(secondRefused);
  EXPECT_FALSE(rec.Busy());
}

TEST_F(RecordFixture, FailureHalfWayShowsTheMessageKeepsTheOldFileAndRestoresTheImage) {
  view.current = 4;
  recorder->failAt = 5;
  const std::string out = dir.File("broken.avi");
  std::ofstream(out) << "ancienne vidéo";
  const TStatus recorded = rec.RecordMontageTo(out, {});
  ASSERT_FALSE(recorded);
  ASSERT_EQ(presenter.Count(), 1u);
  EXPECT_EQ(presenter.shown[0].icon, icWarning);
  const std::string why = "Le fichier « " + out +
                          " » n'a pas pu être enregistré.\n"
                          "Détail : Une image n'a pu être insérée dans le flux vidéo";
  EXPECT_EQ(presenter.LastText(), "Erreur détectée durant la création du fichier vidéo :\n" + why);
  EXPECT_EQ(recorded.error().Text(), why);
  EXPECT_EQ(recorder->aborts, 1);
  EXPECT_NE(recorder->path, out);  // written beside it
  EXPECT_EQ(test::ReadFileBytes(out), "ancienne vidéo");
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"broken.avi"});
  EXPECT_EQ(view.current, 4);
  EXPECT_FALSE(rec.Busy());
}

TEST_F(RecordFixture, CancelStopsQuietlyAndRemovesThePartialFile) {
  view.current = 3;
  rec.Progress = [](int64_t done, int64_t total) {
    EXPECT_EQ(total, 10);
    return done < 4;
  };
  const std::string out = dir.File("cancelled.avi");
  const TStatus recorded = rec.RecordMontageTo(out, {});
  ASSERT_FALSE(recorded);
  EXPECT_EQ(recorded.error().reason, "Enregistrement annulé.");
  EXPECT_TRUE(rec.LastCancelled());
  EXPECT_EQ(recorder->frames.size(), 4u);
  EXPECT_EQ(presenter.Count(), 0u);
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_EQ(view.current, 3);
}

TEST_F(RecordFixture, UndrawableImageAndMissingBackEndAreReported) {
  rec.DrawCurrent = [this](Image& full) {
    full = test::IndexedImage(kW, kH, view.current);
    return view.current != 6;
  };
  const TStatus undrawable = rec.RecordMontageTo(dir.File("x.avi"), {});
  ASSERT_FALSE(undrawable);
  EXPECT_EQ(undrawable.error().Text(), "Une image est abîmée");

  TRecordChoices ds;
  ds.framework = fwDS;  // no such back-end installed
  const TStatus noBackEnd = rec.RecordMontageTo(dir.File("y.avi"), ds);
  ASSERT_FALSE(noBackEnd);
  EXPECT_EQ(noBackEnd.error().Text(), "Le codeur n'existe pas ou est indisponible");
}

TEST(RecordOutput, CutShiftsTheContentByTheMarginsAndStretchFillsTheNewSize) {
  Image full(20, 10, colors::Black);
  full.SetPixel(5, 3, colors::Red);
  full.SetPixel(18, 9, colors::Lime);  // the last column kept
  full.SetPixel(19, 9, colors::Blue);  // cut away
  TRecordChoices c;
  c.sizeMode = smCut;
  c.margins = {4, 2, 1, 0};
  EXPECT_EQ(OutputSize(c, 20, 10), (TPixel{15, 8}));
  Image out;
  ComposeOutput(c, full, out);
  ASSERT_EQ(out.Width(), 15);
  ASSERT_EQ(out.Height(), 8);
  EXPECT_EQ(out.Pixel(1, 1), colors::Red);
  EXPECT_EQ(out.Pixel(14, 7), colors::Lime);
  EXPECT_EQ(out.Pixel(0, 0), colors::Black);

  c.margins = {10, 0, 10, 0};  // nothing left
  EXPECT_EQ(OutputSize(c, 20, 10), (TPixel{0, 0}));

  c.sizeMode = smStretch;
  c.stretchWidth = 40, c.stretchHeight = 20;
  ComposeOutput(c, full, out);
  EXPECT_EQ(out.Width(), 40);
  EXPECT_EQ(out.Pixel(10, 6), colors::Red);
  EXPECT_EQ(out.Pixel(37, 19), colors::Lime);
  EXPECT_EQ(out.Pixel(39, 19), colors::Blue);
}

TEST_F(RecordFixture, MarginsLeavingNoPictureAreRefusedBeforeAnyFileIsMade) {
  TRecordChoices c;
  c.sizeMode = smCut;
  c.margins = {40, 0, 40, 0};
  EXPECT_FALSE(rec.RecordMontageTo(dir.File("z.avi"), c));
  EXPECT_TRUE(recorder->path.empty());
  EXPECT_EQ(presenter.Count(), 1u);
}

TEST_F(RecordFixture, ProposedNameGrowsPastExistingFilesAndAChosenExistingNameIsRefused) {
  dir.Touch("MontageKinevo_1_09122026.avi");
  dir.Touch("MontageKinevo_2_09122026.avi");
  dir.Touch("taken.avi");
  ui.saveAnswers = {dir.File("taken"), dir.File("new")};
  EXPECT_EQ(rec.ChooseOutputFile(), dir.File("new.avi"));
  ASSERT_EQ(ui.saveRequests.size(), 2u);
  EXPECT_EQ(ui.saveRequests[0].fileName, "MontageKinevo_3_09122026.avi");
  EXPECT_EQ(ui.saveRequests[0].initialDir, dir.Path());
  EXPECT_EQ(ui.saveRequests[0].title, "Enregistrer un fichier vidéo");
  ASSERT_EQ(presenter.Count(), 1u);  // "taken" + ".avi" exists
  EXPECT_EQ(presenter.LastText(),
            "Un fichier portant ce nom existe déjà dans le répertoire choisi.\n" +
                dir.File("taken.avi") +
                "\nVeuillez choisir un nom de fichier différent ou un autre répertoire.");
  EXPECT_EQ(presenter.shown[0].lines[1].color, 0xFF0000u);
}

TEST_F(RecordFixture, RecordingThroughTheDialogsKeepsTheChoicesInTheSettings) {
  TSettingsFile settings(dir.File("Kinevo.ini"));
  rec.Settings = &settings;
  rec.VideoRate = [] { return 30.0; };
  auto ds = std::make_unique<KeepingRecorder>(fwDS);
  KeepingRecorder* dsRec = ds.get();
  rec.SetRecorder(std::move(ds));
  ui.edit = [](TRecordChoices& c) {
    EXPECT_EQ(c.rate, 30.0);
    c.framework = fwDS;
    c.codec = "MJPEG";
  };
  ui.saveAnswers = {dir.File("out.avi")};
  montage.SetVisible(0, false);
  ASSERT_TRUE(rec.RecordMontage());
  EXPECT_EQ(ui.lastRequest.title, "Enregistrer le montage dans un fichier vidéo");
  EXPECT_EQ(ui.lastRequest.images, 9);
  EXPECT_EQ(ui.lastRequest.backends.size(), 2u);
  EXPECT_EQ(dsRec->frames.size(), 9u);
  EXPECT_EQ(dsRec->codec, "MJPEG");
  // The end is confirmed with the file and its image count.
  EXPECT_EQ(presenter.LastText(), "Le montage a été enregistré dans le fichier vidéo :\n" +
                                      dir.File("out.avi") + "\n9 images.");

  TIniFile ini(settings.FileName());
  ASSERT_TRUE(ini.Load());
  EXPECT_EQ(ini.ReadString("Montage", "Framework", ""), "DirectShow (DS)");
  EXPECT_EQ(ini.ReadString("Montage", "Codec", ""), "MJPEG");

  // A new recorder object reads them back the first time.
  TRecordMontage again{view, montage, dlg};
  again.Settings = &settings;
  again.LoadSettings();
  EXPECT_EQ(again.Choices.framework, fwDS);
  EXPECT_EQ(again.Choices.codec, "MJPEG");
}

TEST_F(RecordFixture, PicturesAreJoinedInNaturalOrderAfterTheAdvice) {
  ui.openAnswer = {dir.File("img10.bmp"), dir.File("img2.bmp"), dir.File("IMG1.bmp")};
  ui.saveAnswers = {dir.File("joined.avi")};
  rec.ReadPicture = [](const std::string& name, Image& out) {
    const auto stem = std::filesystem::path(name).stem().string();
    out = test::IndexedImage(kW, kH, std::stoi(stem.substr(3)));
    return TStatus{};
  };
  presenter.checkAnswers = {true};
  view.open = false;  // no video is needed
  ASSERT_TRUE(rec.PicturesToVideo());
  EXPECT_FALSE(rec.ShowPicturesAdvice);
  EXPECT_TRUE(presenter.Contains("Vous allez sélectionner plusieurs fichiers images."));
  EXPECT_EQ(WrittenIndexes(), (std::vector<int>{1, 2, 10}));
  EXPECT_EQ(recorder->rate, 25.0);
  EXPECT_EQ(ui.lastRequest.title, "Créer une vidéo à partir de fichiers images");
  EXPECT_EQ(presenter.LastText(), "Les images ont été réunies dans le fichier vidéo :\n" +
                                      dir.File("joined.avi") + "\n3 images.");

  // "Annuler" in the advice stops before the file dialog.
  rec.ShowPicturesAdvice = true;
  presenter.AnswerCaption("Annuler");
  recorder->frames.clear();
  EXPECT_FALSE(rec.PicturesToVideo());
  EXPECT_TRUE(recorder->frames.empty());
}

TEST_F(RecordFixture, SplitNamesEveryVisibleImageWithPaddedNumbers) {
  montage.SetVisible(3, false);
  std::vector<std::pair<std::string, int>> written;
  rec.WritePicture = [&](const Image& p, const std::string& name) {
    written.emplace_back(name, test::ReadIndexPattern(p));
    return TStatus{};
  };
  ASSERT_TRUE(rec.WritePictures(dir.File("shot.png")));
  ASSERT_EQ(written.size(), 9u);
  EXPECT_EQ(written[0], std::make_pair(dir.File("shot_1.png"), 0));
  EXPECT_EQ(written[3], std::make_pair(dir.File("shot_4.png"), 4));
  EXPECT_EQ(PictureFileName("a/b", ".bmp", 7, 120), "a/b_007.bmp");

  // Through its dialogs, the split ends with the files written and their count.
  written.clear();
  ui.saveAnswers = {dir.File("vue.png")};
  ASSERT_TRUE(rec.VideoToPictures());
  EXPECT_EQ(written.size(), 9u);
  EXPECT_EQ(presenter.LastText(),
            "Les images ont été enregistrées, de la première à la dernière :\n" +
                dir.File("vue_1.png") + " … vue_9.png\n9 images.");
}

TEST(NaturalOrder, NumbersCompareByValueAndLettersWithoutCase) {
  std::vector<std::string> names = {"image10.bmp",  "image2.bmp",   "Image1.bmp",
                                    "image02b.bmp", "image002.bmp", "a99999999999999999999.bmp",
                                    "a3.bmp"};
  NaturalSort(names);
  EXPECT_EQ(names, (std::vector<std::string>{"a3.bmp", "a99999999999999999999.bmp", "Image1.bmp",
                                             "image002.bmp", "image2.bmp", "image02b.bmp",
                                             "image10.bmp"}));
}

}  // namespace
}  // namespace kinevo
