// The montage selection: numbering tables, hiding and showing, the toggle
// advice, the group dialog and the document keys.
#include "core/montage/montage.h"

#include <gtest/gtest.h>

#include <map>

#include "core/common/ini_file.h"
#include "support/fake_view.h"
#include "support/scripted_dialog.h"

namespace kinevo {
namespace {

using test::FakeView;
using test::ScriptedDialog;

class ScriptedGroups : public IGroupDialog {
 public:
  std::vector<TGroupChoice> answers;
  int runs = 0;
  bool Execute(TGroupChoice& choice) override {
    if (static_cast<std::size_t>(runs) >= answers.size()) return false;
    choice = answers[static_cast<std::size_t>(runs++)];
    return true;
  }
};

struct MontageFixture : ::testing::Test {
  FakeView view{640, 480, 10};
  ScriptedDialog presenter;
  TUserDlg dlg{&presenter};
  TMontage m{view, dlg};
  std::vector<int> forgotten;
  int invalidations = 0;
  int changes = 0;
  TConnections links;

  void SetUp() override {
    view.mode = vmMontage;
    m.NewVideo(10);
    m.ForgetImage = [this](int i) { forgotten.push_back(i); };
    links += m.OnResultsInvalidated.Connect([this] { ++invalidations; });
    links += m.OnChange.Connect([this](void*) { ++changes; });
    m.RequiredDuration = [] { return 0.04; };
  }
};

TEST_F(MontageFixture, NewVideoGivesIdentityTablesAndOutsideAnswers) {
  for (int k = 0; k < 10; ++k) {
    EXPECT_EQ(m.ToDisplayed(k), k);
    EXPECT_EQ(m.ToFileIndex(k), k);
    EXPECT_EQ(m.TimeShift(k), 0);
  }
  EXPECT_EQ(m.VisibleCount(), 10);
  EXPECT_EQ(m.ToDisplayed(-1), -1);
  EXPECT_EQ(m.ToDisplayed(10), -1);
  EXPECT_EQ(m.ToFileIndex(10), -1);
  EXPECT_TRUE(m.IsVisible(-3));
  EXPECT_TRUE(m.IsVisible(99));
  // A new video resets an earlier selection.
  ASSERT_TRUE(m.SetVisible(2, false));
  m.NewVideo(4);
  EXPECT_EQ(m.ImagesCount(), 4);
  EXPECT_EQ(m.VisibleCount(), 4);
  EXPECT_EQ(m.ToFileIndex(2), 2);
  EXPECT_EQ(m.TimeShift(3), 0);
}

TEST_F(MontageFixture, HidingRebuildsTablesShiftsLaterTimesAndForgetsMarks) {
  ASSERT_TRUE(m.SetVisible(3, false));
  EXPECT_EQ(forgotten, std::vector<int>{3});
  EXPECT_EQ(invalidations, 1);
  EXPECT_EQ(m.VisibleCount(), 9);
  EXPECT_EQ(m.ToDisplayed(3), -1);
  EXPECT_EQ(m.ToDisplayed(4), 3);
  EXPECT_EQ(m.ToFileIndex(3), 4);
  EXPECT_EQ(m.ToFileIndex(9), -1);
  EXPECT_EQ(m.TimeShift(3), 0);
  EXPECT_EQ(m.TimeIndex(4), 3);  // the gap closes
  EXPECT_EQ(m.TimeIndex(9), 8);
  // Setting the same value again changes nothing and is not an error.
  EXPECT_TRUE(m.SetVisible(3, false));
  EXPECT_EQ(invalidations, 1);
  ASSERT_TRUE(m.SetVisible(3, true));
  EXPECT_EQ(m.TimeIndex(9), 9);
  EXPECT_EQ(m.ToFileIndex(3), 3);
}

TEST_F(MontageFixture, RefusesOutsideMontageModeAndOutsideTheFile) {
  EXPECT_FALSE(m.SetVisible(10, false));
  EXPECT_FALSE(m.SetVisible(-1, false));
  view.mode = vmRepereFixe;
  EXPECT_FALSE(m.SetVisible(2, false));
  EXPECT_FALSE(m.IsCurrentVisible());
  view.mode = vmMontage;
  view.open = false;
  EXPECT_FALSE(m.SetVisible(2, false));
  EXPECT_EQ(m.VisibleCount(), 10);
  EXPECT_TRUE(forgotten.empty());
}

TEST_F(MontageFixture, TheLastVisibleImageCannotBeHidden) {
  for (int i = 0; i < 9; ++i) ASSERT_TRUE(m.SetVisible(i, false));
  EXPECT_EQ(presenter.Count(), 0u);
  EXPECT_FALSE(m.SetVisible(9, false));
  ASSERT_EQ(presenter.Count(), 1u);
  EXPECT_EQ(presenter.LastText(), "Au moins une image doit rester visible.");
  EXPECT_EQ(presenter.shown[0].icon, icWarning);
  EXPECT_EQ(m.VisibleCount(), 1);
  EXPECT_TRUE(m.IsVisible(9));
  // The first images hidden: the first visible one starts the time line.
  EXPECT_EQ(m.TimeIndex(9), 0);
}

TEST_F(MontageFixture, ToggleCurrentAdviceListsMarksAndCanBeCancelled) {
  view.current = 4;
  m.ImageHasMarks = [](int i) { return i == 4; };
  presenter.AnswerCaption("Annuler");
  m.ToggleCurrent();
  ASSERT_EQ(presenter.Count(), 1u);
  const auto& shown = presenter.shown[0];
  EXPECT_EQ(shown.icon, icInformation);
  ASSERT_EQ(shown.buttons.size(), 2u);
  EXPECT_EQ(shown.buttons[1].caption, "Annuler");
  EXPECT_EQ(shown.checkBoxCaption, "Ne plus afficher cette boîte de dialogue");
  EXPECT_NE(presenter.LastText().find("Les marques posées sur cette image seront effacées."),
            std::string::npos);
  EXPECT_TRUE(m.IsVisible(4));  // cancelled
  EXPECT_EQ(changes, 0);

  // Ok with the check box ticked: hidden, and no advice the next time.
  presenter.checkAnswers.push_back(true);
  m.ToggleCurrent();
  EXPECT_FALSE(m.IsVisible(4));
  EXPECT_FALSE(m.ShowToggleAdvice);
  EXPECT_EQ(changes, 1);
  EXPECT_GT(view.repaints, 0);
  EXPECT_EQ(m.CurrentHint(), "|Cette image sera visible dans le flux vidéo à la sortie du montage");
  m.ToggleCurrent();
  EXPECT_EQ(presenter.Count(), 2u);
  EXPECT_TRUE(m.IsVisible(4));
}

TEST_F(MontageFixture, ToggleAdviceForHiddenImageAndWhenSettingsForbidIt) {
  view.current = 1;
  m.AdviceAllowed = [] { return false; };
  m.ToggleCurrent();
  EXPECT_EQ(presenter.Count(), 0u);
  EXPECT_FALSE(m.IsVisible(1));
  m.AdviceAllowed = nullptr;
  m.ToggleCurrent();
  ASSERT_EQ(presenter.Count(), 1u);
  EXPECT_EQ(presenter.shown[0].buttons.size(), 1u);
  EXPECT_EQ(presenter.LastText(),
            "Cette image sera de nouveau visible dans le flux vidéo à la sortie du montage.");
  EXPECT_TRUE(m.IsVisible(1));
}

TEST(ImageGroups, ParsesNumbersRangesAndRejectsBadGroups) {
  std::vector<bool> sel;
  std::string bad;
  ASSERT_TRUE(ParseImageGroups("1-3 ; 7", 10, sel, bad));
  EXPECT_EQ(sel,
            (std::vector<bool>{true, true, true, false, false, false, true, false, false, false}));
  ASSERT_TRUE(ParseImageGroups(" 10;;2 - 2 ;", 10, sel, bad));
  EXPECT_TRUE(sel[9]);
  EXPECT_TRUE(sel[1]);
  EXPECT_FALSE(sel[0]);
  for (const char* text : {"0", "11", "5-3", "a", "1-", "-4", "2-12", "1.5", "", " ; "}) {
    bad.clear();
    EXPECT_FALSE(ParseImageGroups(text, 10, sel, bad)) << text;
  }
  ParseImageGroups("1;5-3", 10, sel, bad);
  EXPECT_EQ(bad, "5-3");
}

TEST_F(MontageFixture, GroupsHideAndShiftTimesAndReportBadText) {
  ScriptedGroups groups;
  groups.answers = {{true, gkList, "1-3 ; x"}, {true, gkList, "1-3 ; 7"}};
  m.GroupDialog = &groups;
  m.ToggleGroups();
  EXPECT_EQ(groups.runs, 2);
  ASSERT_EQ(presenter.Count(), 1u);
  EXPECT_EQ(presenter.shown[0].lines[0].text, "Le groupe d'images à masquer est incorrect");
  EXPECT_EQ(forgotten, (std::vector<int>{0, 1, 2, 6}));
  EXPECT_EQ(m.VisibleCount(), 6);
  EXPECT_EQ(m.TimeIndex(3), 0);
  EXPECT_EQ(m.TimeIndex(5), 2);
  EXPECT_EQ(m.TimeIndex(7), 3);
  EXPECT_EQ(changes, 1);

  groups.answers = {{false, gkEven, ""}};
  groups.runs = 0;
  m.ToggleGroups();  // shows file indexes 1, 3, 5, 7, 9
  EXPECT_TRUE(m.IsVisible(1));
  EXPECT_FALSE(m.IsVisible(0));
  EXPECT_FALSE(m.IsVisible(6));
  EXPECT_EQ(m.VisibleCount(), 7);
}

TEST_F(MontageFixture, GroupWalkStopsAtTheFirstRefusal) {
  ScriptedGroups groups;
  groups.answers = {{true, gkOdd, ""}, {true, gkEven, ""}};
  m.GroupDialog = &groups;
  m.ToggleGroups();  // hides 0, 2, 4, 6, 8
  EXPECT_EQ(m.VisibleCount(), 5);
  m.ToggleGroups();  // hides 1, 3, 5, 7 then refuses 9
  EXPECT_EQ(m.VisibleCount(), 1);
  EXPECT_TRUE(m.IsVisible(9));
  EXPECT_TRUE(presenter.Contains("Au moins une image doit rester visible."));
}

TEST_F(MontageFixture, LeavingMontageMovesOffAHiddenImage) {
  m.SetVisible(9, false);
  m.SetVisible(8, false);
  m.SetVisible(4, false);
  view.current = 4;
  m.LeaveMontage();
  EXPECT_EQ(view.current, 5);
  view.current = 9;
  m.LeaveMontage();
  EXPECT_EQ(view.current, 7);
  m.LeaveMontage();  // visible: stays
  EXPECT_EQ(view.current, 7);
}

TEST_F(MontageFixture, DocumentKeysRoundTripAndDefaults) {
  m.SetVisible(2, false);
  view.current = 5;
  ASSERT_TRUE(m.ShiftTimes(1));
  TIniFile doc;
  m.StoreInDocument(doc);
  EXPECT_EQ(doc.ReadString("Montage", "VisibleImagesNumber"), "10");
  EXPECT_EQ(doc.ReadString("Montage", "IsVisibleImage_2"), "0");
  EXPECT_EQ(doc.ReadString("Montage", "IsVisibleImage_3"), "1");
  EXPECT_EQ(doc.ReadString("Montage", "TimeShift_5"), "0");
  EXPECT_EQ(doc.ReadString("Montage", "TimeShift_4"), "-1");
  TMontage other(view, dlg);
  other.NewVideo(10);
  other.LoadFromDocument(doc);
  EXPECT_EQ(other.Visible(), m.Visible());
  EXPECT_EQ(other.TimeShifts(), m.TimeShifts());
  EXPECT_EQ(other.ToFileIndex(2), 3);

  // An empty section leaves the fresh state.
  doc.EraseSection("Montage");
  other.LoadFromDocument(doc);
  EXPECT_EQ(other.VisibleCount(), 10);
}

TEST_F(MontageFixture, DamagedDocumentKeepsTheInvariants) {
  TIniFile doc;
  doc.SetText(
      "[Montage]\nVisibleImagesNumber=50000\nTimeShiftsNumber=3\nTimeShift_0=5\n"
      "TimeShift_1=2147483647\nTimeShift_2=zz\n");
  for (int i = 0; i < 10; ++i)
    doc.WriteString("Montage", "IsVisibleImage_" + std::to_string(i), "0");
  m.LoadFromDocument(doc);
  EXPECT_EQ(m.ImagesCount(), 10);   // a longer list does not resize the tables
  EXPECT_EQ(m.VisibleCount(), 10);  // never every image hidden
  // Shifts that would break the time order are rebuilt from the visibility.
  for (int i = 0; i < 10; ++i) EXPECT_EQ(m.TimeIndex(i), i);
}

}  // namespace
}  // namespace kinevo
