#include "core/video/duration_dialog.h"

#include <cmath>
#include <cstdio>

#include "core/common/number_format.h"
#include "core/video/file_times.h"

namespace kinevo {

TDurationCheck CheckDuration(const std::string& text, double& value) {
  double v = 0;
  if (!TextToFloat(text, v)) return dcNotANumber;
  if (!(v > kMinDuration && v < kMaxDuration)) return dcOutOfRange;
  value = v;
  return dcOk;
}

void ShowDurationError(TUserDlg& dlg, const std::string& text, TDurationCheck check,
                       const char* unit) {
  const bool seconds = std::string(unit) == "s";
  if (check == dcOk) return;
  dlg.ClearButtons();
  dlg.AddButton("Ok", btOk);
  if (check == dcNotANumber) {
    dlg.Icon = icWarning;
    dlg.AddLine("Valeur saisie : " + text, lkWrap, colors::Blue);
    dlg.AddLine("Cette chaîne de caractères ne représente pas un nombre réel acceptable.");
    dlg.AddLine(
        "La chaîne de caractères doit être constituée d'un signe (facultatif), de chiffres, "
        "d'un séparateur décimal (facultatif), puis d'une mantisse (facultative).");
    dlg.AddLine(
        "La mantisse comprend « E » ou « e » suivi d'un signe (facultatif) et d'un nombre entier.");
  } else {
    dlg.Icon = icInformation;
    dlg.AddLine("Valeur saisie : " + text + " " + unit, lkWrap, colors::Blue);
    dlg.AddLine("Saisir une valeur comprise dans l'intervalle ci-dessous :");
    dlg.AddLine(seconds ? TDurationDialogModel::kStatus : TDurationDialogModel::kCaptureRange);
  }
  dlg.Execute();
}

std::string TDurationDialogModel::WarningText() const {
  std::string s;
  if (incoherent_) s = std::string("Attention : ") + kIncoherentDurationsText + ".";
  if (!timingIssues_.empty()) s += (s.empty() ? "" : "\n") + timingIssues_;
  return s;
}

void TDurationDialogModel::SetRates(double playback, double capture) {
  playbackRate_ = playback;
  fileCaptureRate_ = capture;
  if (CaptureRateDiffers(capture, playback)) captureText_ = FormatGeneral(capture, 10);
}

std::string TDurationDialogModel::CaptureText() const {
  if (!CaptureRateDiffers(fileCaptureRate_, playbackRate_)) return {};
  return std::string("Vidéo filmée ") +
         (fileCaptureRate_ > playbackRate_ ? "au ralenti" : "en accéléré") + " à " +
         FormatGeneral(fileCaptureRate_, 6) + " images/s (lecture à " +
         FormatGeneral(playbackRate_, 6) + " images/s)";
}

bool FilterDurationKey(char& key) {
  if (key >= '0' && key <= '9') return true;
  switch (key) {
    case '+':
    case '-':
    case 'E':
    case 'e':
    case 8:
    case 13:
      return true;
    case '.':
    case ',':
      key = DecimalSeparator();
      return true;
    default:
      return false;
  }
}

TDurationDialogModel::TDurationDialogModel(double imageDuration, double current)
    : d_(imageDuration), t_(current), defaultSelected_(current == imageDuration) {
  text_ = FormatGeneral(defaultSelected_ ? d_ : t_, 10);
}

std::string TDurationDialogModel::HeaderText() const {
  const long long rate = d_ > 0 ? std::llround(1.0 / d_) : 0;
  return "Le fichier vidéo a été capturé avec une fréquence de trame de\n" + std::to_string(rate) +
         " image(s) / seconde.\nLe temps séparant deux images successives est donc de\nT = " +
         FormatGeneral(d_, 3) + " s.";
}

std::string TDurationDialogModel::DefaultCaption() const {
  return "Utiliser la valeur par défaut T = " + FormatGeneral(d_, 3) + " s";
}

void TDurationDialogModel::ClickDefault() {
  defaultSelected_ = true;
  captureSelected_ = false;
  selectAll_ = false;
  t_ = d_;
  if (SetRequiredDuration) SetRequiredDuration(d_);
  text_ = FormatGeneral(d_, 10);
}

void TDurationDialogModel::ClickOther() {
  defaultSelected_ = false;
  captureSelected_ = false;
  text_ = FormatGeneral(t_, 10);
  selectAll_ = true;
}

void TDurationDialogModel::ClickInEdit() {
  selectAll_ = defaultSelected_ || captureSelected_;
  defaultSelected_ = false;
  captureSelected_ = false;
}

void TDurationDialogModel::ClickCapture() {
  defaultSelected_ = false;
  captureSelected_ = true;
  selectAll_ = false;
}

void TDurationDialogModel::TypedCapture(const std::string& text) {
  captureText_ = text.substr(0, kMaxLength);
  ClickCapture();
}

void TDurationDialogModel::Typed(const std::string& text) {
  text_ = text.substr(0, kMaxLength);
  defaultSelected_ = false;
  captureSelected_ = false;
  selectAll_ = false;
}

bool TDurationDialogModel::TryClose(TUserDlg& dlg) {
  captureRate_ = 0;
  if (captureSelected_) {
    // A rate whose image duration lies within the accepted durations.
    double rate = 0;
    TDurationCheck check = TextToFloat(captureText_, rate) ? dcOk : dcNotANumber;
    if (check == dcOk && !(rate > 1.0 / kMaxDuration && rate < 1.0 / kMinDuration))
      check = dcOutOfRange;
    if (check != dcOk) {
      ShowDurationError(dlg, captureText_, check, kCaptureUnit);
      return false;
    }
    captureRate_ = rate;
    value_ = 1.0 / rate;
    return true;
  }
  double v = 0;
  const TDurationCheck check = CheckDuration(text_, v);
  if (check != dcOk) {
    ShowDurationError(dlg, text_, check);
    return false;
  }
  value_ = v;
  return true;
}

}  // namespace kinevo
