#include "core/montage/montage.h"

#include <algorithm>
#include <cctype>
#include <limits>

#include "core/common/number_format.h"
#include "core/common/text_utils.h"
#include "core/montage/montage_tables.h"

namespace kinevo {

namespace {

constexpr const char* kSection = "Montage";

// A whole positive number made of digits only.
bool ReadNumber(const std::string& text, long long& out) {
  std::string t = std::string(TrimBlanks(text));
  if (t.empty() || t.size() > 10) return false;
  for (char c : t)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  out = std::stoll(t);
  return true;
}

}  // namespace

bool ParseImageGroups(const std::string& text, int count, std::vector<bool>& selection,
                      std::string& badGroup) {
  std::vector<bool> sel(static_cast<std::size_t>(std::max(count, 0)), false);
  std::size_t start = 0;
  bool any = false;
  while (start <= text.size()) {
    std::size_t end = text.find(';', start);
    if (end == std::string::npos) end = text.size();
    const std::string group = std::string(TrimBlanks(text.substr(start, end - start)));
    start = end + 1;
    if (group.empty()) continue;
    long long a = 0, b = 0;
    const std::size_t dash = group.find('-');
    bool ok;
    if (dash == std::string::npos) {
      ok = ReadNumber(group, a);
      b = a;
    } else {
      ok = ReadNumber(group.substr(0, dash), a) && ReadNumber(group.substr(dash + 1), b);
    }
    // Numbers outside the file, and reversed ranges, are reported rather
    // than silently cut: the user typed something other than he meant.
    if (!ok || a < 1 || b < a || b > count) {
      badGroup = group;
      return false;
    }
    for (long long n = a; n <= b; ++n) sel[static_cast<std::size_t>(n - 1)] = true;
    any = true;
  }
  if (!any) {
    badGroup = std::string(TrimBlanks(text));
    return false;
  }
  selection = std::move(sel);
  return true;
}

TMontage::TMontage(IVideoView& view, TUserDlg& dlg) : view_(view), dlg_(dlg) {}

int32_t TMontage::TimeShift(int fileIndex) const {
  if (fileIndex < 0 || fileIndex >= ImagesCount()) return 0;
  return shifts_[static_cast<std::size_t>(fileIndex)];
}

int TMontage::ToDisplayed(int fileIndex) const {
  if (fileIndex < 0 || fileIndex >= static_cast<int>(displayed_.size())) return -1;
  return displayed_[static_cast<std::size_t>(fileIndex)];
}

int TMontage::ToFileIndex(int displayed) const {
  if (displayed < 0 || displayed >= static_cast<int>(fileIndex_.size())) return -1;
  return fileIndex_[static_cast<std::size_t>(displayed)];
}

bool TMontage::IsVisible(int fileIndex) const {
  if (fileIndex < 0 || fileIndex >= ImagesCount()) return true;
  return visible_[static_cast<std::size_t>(fileIndex)];
}

void TMontage::NewVideo(int count) {
  const std::size_t n = static_cast<std::size_t>(std::max(count, 0));
  visible_.assign(n, true);
  shifts_.assign(n, 0);
  Rebuild();
}

void TMontage::Rebuild() {
  const std::size_t n = visible_.size();
  displayed_.assign(n, -1);
  fileIndex_.assign(n, -1);
  int32_t k = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (!visible_[i]) continue;
    displayed_[i] = k;
    fileIndex_[static_cast<std::size_t>(k)] = static_cast<int32_t>(i);
    ++k;
  }
  visibleCount_ = k;
}

bool TMontage::Active() const { return view_.Mode() == vmMontage && view_.IsOpen(); }

bool TMontage::IsCurrentVisible() const {
  if (!Active()) return false;
  return IsVisible(view_.CurrentImage());
}

bool TMontage::SetVisible(int p, bool v) {
  if (!Active() || p < 0 || p >= ImagesCount()) return false;
  const std::size_t ip = static_cast<std::size_t>(p);
  if (!v && visible_[ip] && visibleCount_ <= 1) {
    dlg_.Show(icWarning, {{"Ok", btOk}}, {"Au moins une image doit rester visible."});
    return false;
  }
  if (visible_[ip] == v) return true;
  if (ForgetImage) ForgetImage(p);
  visible_[ip] = v;
  Rebuild();
  const int32_t d = v ? 1 : -1;
  for (std::size_t i = ip + 1; i < shifts_.size(); ++i) shifts_[i] += d;
  Changed();
  return true;
}

void TMontage::ToggleCurrent() {
  if (!Active()) return;
  const int cur = view_.CurrentImage();
  if (cur < 0 || cur >= ImagesCount()) return;
  const bool visible = IsVisible(cur);
  const bool allowed = AdviceAllowed ? AdviceAllowed() : true;
  if (allowed && ShowToggleAdvice) {
    dlg_.Icon = icInformation;
    dlg_.ClearButtons();
    dlg_.AddButton("Ok", btOk);
    const bool marked = visible && ImageHasMarks && ImageHasMarks(cur);
    if (marked) dlg_.AddButton("Annuler", btAnnuler);
    dlg_.CheckBoxCaption = "Ne plus afficher cette boîte de dialogue";
    dlg_.CheckBoxCheck = !ShowToggleAdvice;
    if (visible) {
      dlg_.AddLine("Cette image ne sera plus visible dans le flux vidéo à la sortie du montage.");
      dlg_.AddLine("");
      dlg_.AddLine("Une image masquée apparaît en négatif.");
      if (marked) {
        dlg_.AddLine("");
        dlg_.AddLine("Les marques posées sur cette image seront effacées.");
      }
    } else {
      dlg_.AddLine(
          "Cette image sera de nouveau visible dans le flux vidéo à la sortie du montage.");
    }
    const int32_t answer = dlg_.Execute();
    ShowToggleAdvice = !dlg_.CheckBoxCheck;
    if (answer != 0) return;
  }
  SetVisible(cur, !visible);
  OnChange(this);
  view_.Repaint();
}

void TMontage::ToggleGroups() {
  if (!Active() || GroupDialog == nullptr) return;
  TGroupChoice choice;
  std::vector<bool> selection;
  for (;;) {
    if (!GroupDialog->Execute(choice)) return;
    const int n = ImagesCount();
    if (choice.kind == gkEven || choice.kind == gkOdd) {
      selection.assign(static_cast<std::size_t>(n), false);
      for (int i = choice.kind == gkEven ? 1 : 0; i < n; i += 2)
        selection[static_cast<std::size_t>(i)] = true;
      break;
    }
    std::string bad;
    if (ParseImageGroups(choice.text, n, selection, bad)) break;
    std::vector<std::string> lines = {std::string("Le groupe d'images à ") +
                                      (choice.hide ? "masquer" : "afficher") + " est incorrect"};
    if (!bad.empty()) lines.push_back(bad);
    dlg_.Show(icWarning, {{"Ok", btOk}}, lines);
  }
  for (std::size_t i = 0; i < selection.size(); ++i) {
    if (!selection[i]) continue;
    if (!SetVisible(static_cast<int>(i), !choice.hide)) break;
  }
  OnChange(this);
  view_.Repaint();
}

void TMontage::LeaveMontage() {
  const int cur = view_.CurrentImage();
  if (cur < 0 || cur >= ImagesCount() || IsVisible(cur)) return;
  for (int i = cur + 1; i < ImagesCount(); ++i)
    if (IsVisible(i)) {
      view_.GoToImage(i);
      return;
    }
  for (int i = cur - 1; i >= 0; --i)
    if (IsVisible(i)) {
      view_.GoToImage(i);
      return;
    }
}

bool TMontage::ShiftTimes(int delta) {
  if (!Active()) return false;
  const int c = view_.CurrentImage();
  if (c < 0 || c >= ImagesCount() || !IsVisible(c)) return false;
  long long prev = -1;
  for (int i = c - 1; i >= 0; --i)
    if (IsVisible(i)) {
      prev = TimeIndex(i);
      break;
    }
  const long long target = static_cast<long long>(TimeIndex(c)) + delta;
  if (prev >= target) return false;
  // The last image's time index must stay a 32-bit number.
  const long long last = static_cast<long long>(TimeIndex(ImagesCount() - 1)) + delta;
  if (last > std::numeric_limits<int32_t>::max()) return false;
  Changed();
  for (std::size_t i = static_cast<std::size_t>(c); i < shifts_.size(); ++i) shifts_[i] += delta;
  OnChange(this);
  return true;
}

double TMontage::ImageTime(int which) const {
  if (!Active()) return -1;
  const int c = view_.CurrentImage();
  const int n = ImagesCount();
  if (c < 0 || c >= n) return -1;
  const double t = RequiredDuration ? RequiredDuration() : 0.0;
  int idx = -1;
  if (which == 2) {
    idx = c;
  } else if (which == 1) {
    for (int i = c - 1; i >= 0; --i)
      if (IsVisible(i)) {
        idx = i;
        break;
      }
  } else if (which == 0) {
    for (int i = c + 1; i < n; ++i)
      if (IsVisible(i)) {
        idx = i;
        break;
      }
  }
  if (idx < 0) return -1;
  if (FileTime)
    if (const std::optional<double> ft = FileTime(idx)) return *ft;
  return static_cast<double>(TimeIndex(idx)) * t;
}

int64_t TMontage::BlankCount() const {
  int64_t blanks = 0;
  int64_t prev = -1;
  for (int i = 0; i < ImagesCount(); ++i) {
    if (!IsVisible(i)) continue;
    const int64_t ti = TimeIndex(i);
    const int64_t d = ti - prev - 1;
    if (d >= 1) blanks += d;
    prev = ti;
  }
  return blanks;
}

void TMontage::LoadFromDocument(const IKeyReader& read) {
  const int n = ImagesCount();
  // Keys missing from the document keep the state of a freshly opened file.
  NewVideo(n);
  // Only the entries of the open file are taken: a document written for a
  // file with another number of images must not resize the tables.
  const long long visibleKeys = read.ReadInt64(kSection, "VisibleImagesNumber", 1);
  const int nv = static_cast<int>(std::clamp<long long>(visibleKeys, 0, n));
  for (int i = 0; i < nv; ++i)
    visible_[static_cast<std::size_t>(i)] =
        read.ReadBool(kSection, "IsVisibleImage_" + std::to_string(i), true);
  if (n > 0 && std::none_of(visible_.begin(), visible_.end(), [](bool b) { return b; }))
    visible_.assign(visible_.size(), true);
  Rebuild();

  const long long shiftKeys = read.ReadInt64(kSection, "TimeShiftsNumber", 0);
  const int ns = static_cast<int>(std::clamp<long long>(shiftKeys, 0, n));
  for (int i = 0; i < ns; ++i) {
    const long long s = read.ReadInt64(kSection, "TimeShift_" + std::to_string(i), 0);
    shifts_[static_cast<std::size_t>(i)] = static_cast<int32_t>(std::clamp<long long>(
        s, -static_cast<long long>(n), std::numeric_limits<int32_t>::max() / 2));
  }
  // The visible images must keep strictly increasing, non-negative time
  // indexes; damaged shifts are replaced by those the hidden images imply.
  long long prev = -1;
  bool valid = true;
  for (int i = 0; i < n && valid; ++i) {
    if (!visible_[static_cast<std::size_t>(i)]) continue;
    const long long ti = static_cast<long long>(i) + shifts_[static_cast<std::size_t>(i)];
    if (ti <= prev) valid = false;
    prev = ti;
  }
  if (!valid) {
    int32_t hidden = 0;
    for (int i = 0; i < n; ++i) {
      shifts_[static_cast<std::size_t>(i)] = -hidden;
      if (!visible_[static_cast<std::size_t>(i)]) ++hidden;
    }
  }
}

void SaveMontageTables(const TMontageTables& tables, IKeyWriter& write) {
  write.WriteInteger(kSection, "VisibleImagesNumber", static_cast<int64_t>(tables.visible.size()));
  for (std::size_t i = 0; i < tables.visible.size(); ++i)
    write.WriteBool(kSection, "IsVisibleImage_" + std::to_string(i), tables.visible[i]);
  write.WriteInteger(kSection, "TimeShiftsNumber", static_cast<int64_t>(tables.shifts.size()));
  for (std::size_t i = 0; i < tables.shifts.size(); ++i)
    write.WriteInteger(kSection, "TimeShift_" + std::to_string(i), tables.shifts[i]);
}

void TMontage::StoreInDocument(IKeyWriter& write) const {
  SaveMontageTables({visible_, shifts_}, write);
}

std::string TMontage::CurrentHint() const {
  if (IsVisible(view_.CurrentImage()))
    return "|Cette image n'apparaîtra plus dans le flux vidéo à la sortie du montage";
  return "|Cette image sera visible dans le flux vidéo à la sortie du montage";
}

}  // namespace kinevo
