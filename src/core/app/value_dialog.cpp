#include "core/app/value_dialog.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <numbers>

#include "core/common/number_format.h"
#include "core/marking/scale.h"

namespace kinevo {

namespace {

std::string Format2(const char* fmt, int a, int b) {
  char buf[128];
  std::snprintf(buf, sizeof buf, fmt, a, b);
  return buf;
}

constexpr TColor kBlue = 0xFF0000;

}  // namespace

TBoiteValeur::TBoiteValeur(TUserDlg& messages, IValueDialogPresenter* presenter)
    : messages_(messages), presenter_(presenter) {}

TValueDialogContext TBoiteValeur::Context() const {
  return ContextProvider ? ContextProvider() : TValueDialogContext{};
}

void TBoiteValeur::SetTypeSaisie(TTypeSaisie kind) {
  kind_ = kind;
  const TValueDialogContext c = Context();
  videoOpen_ = c.videoOpen;
  note_.clear();
  const int n = c.imagesCount;
  switch (kind) {
    case tsAngle:
      Caption = "Angle de rotation du repère";
      prompt_ = "Angle de rotation du repère en degré(s)";
      initial_ = FormatGeneral(c.xAxisAngle * 180.0 / std::numbers::pi, 6);
      lo_ = -180;
      hi_ = 180;
      range_ = "-180° <= angle <= +180° dans le sens trigonométrique";
      break;
    case tsCadence:
      Caption = "Cadence des images";
      prompt_ = "Nombre d'images par seconde";
      initial_ = FormatGeneral(c.recordingRate, 6);
      lo_ = 1;
      hi_ = 100;
      range_ = "1 <= cadence <= 100 images par seconde";
      break;
    case tsLongueur:
      Caption = "Étalonner un segment";
      prompt_ = "Longueur du segment en mètre(s)";
      initial_ =
          FormatGeneral(c.scaleLength[lengthKind_ <= slLongueurV ? lengthKind_ : slLongueurN], 10);
      lo_ = kMinScaleLength;
      hi_ = kMaxScaleLength;
      range_ = "1 mm < longueur du segment < 15 Tm";
      break;
    case tsDMax:
      Caption = "Rayon de recherche de la cible";
      prompt_ = "Rayon de recherche (en pixels)";
      note_ =
          "Distance maximale entre deux positions successives de la cible exprimée en nombre de "
          "pixels de l'image non transformée.";
      initial_ = std::to_string(c.searchRadius);
      lo_ = 10;
      hi_ = 100;
      range_ = Format2("%d <= distance maximale <= %d", 10, 100);
      break;
    case tsLastImg:
      Caption = "Définir le numéro de la dernière image du suivi";
      prompt_ = "Numéro de la dernière image";
      note_ = "La première image de la séquence montre le contour de l'objet.";
      initial_ = std::to_string(static_cast<int64_t>(c.trackerLastImage) + 1);
      lo_ = static_cast<double>(c.trackerFirstImage) + 2;
      hi_ = n;
      range_ = Format2("%d <= numéro <= %d", c.trackerFirstImage + 2, n);
      break;
    case tsNbMqDrawn:
      Caption = "Dessiner les dernières marques posées";
      prompt_ = "Nombre de marque(s) à dessiner";
      initial_ = std::to_string(c.marksNumberToDraw);
      lo_ = 1;
      hi_ = std::numeric_limits<double>::infinity();
      range_ = "nombre >= 1";
      break;
    case tsNbMqParImg:
      Caption = "Définir le nombre de points suivis";
      prompt_ = "Nombre de marques par image";
      initial_ = std::to_string(c.marksNumberPerFrame);
      lo_ = 1;
      hi_ = 32;
      range_ = Format2("%d <= nombre <= %d", 1, 32);
      break;
    case tsNumImg:
      Caption = "Rechercher une image avec son numéro";
      prompt_ = "Numéro de la nouvelle image";
      initial_ = std::to_string(static_cast<int64_t>(c.currentImage) + 1);
      lo_ = 1;
      hi_ = n;
      range_ = Format2("%d <= numéro <= %d", 1, n);
      break;
    case tsNumOrdre:
      Caption = "Définir le numéro de l'objet suivi";
      prompt_ = "Numéro de l'objet";
      note_ = "Le suivi s'effectue sur un objet à la fois.";
      initial_ = std::to_string(static_cast<int64_t>(c.trackerObject) + 1);
      lo_ = 1;
      hi_ = c.marksNumberPerFrame;
      range_ = Format2("%d <= numéro <= %d", 1, c.marksNumberPerFrame);
      break;
    case tsNbImgStep:
      Caption = "Nombre d'images séparant deux marques semblables";
      prompt_ = "Nombre d'image(s) à faire avancer";
      note_ =
          "La vidéo avance automatiquement d'une ou plusieurs images après la pose de la dernière "
          "marque.";
      initial_ = std::to_string(c.framesBetweenTwoMarks);
      lo_ = 1;
      hi_ = static_cast<double>(n) - 1;  // 1 <= v < N
      range_ = Format2("%d <= nombre <= %d", 1, n - 1);
      break;
  }
  prompt_ += " :";
}

void TBoiteValeur::SetTypeSaisieLongueur(TTypeSaisieLongueur kind) {
  lengthKind_ = kind;
  if (kind_ == tsLongueur) {
    const TValueDialogContext c = Context();
    initial_ =
        FormatGeneral(c.scaleLength[lengthKind_ <= slLongueurV ? lengthKind_ : slLongueurN], 10);
  }
}

bool TBoiteValeur::InRange(double v) const {
  if (kind_ == tsLongueur) return v > lo_ && v < hi_;
  return v >= lo_ && v <= hi_;
}

char TBoiteValeur::FilterChar(char c) const {
  if ((c >= '0' && c <= '9') || c == 8 || c == 13) return c;
  if (IsIntegerKind()) return 0;
  if (c == '.' || c == ',') return DecimalSeparator();
  if (c == '+' || c == '-' || c == 'E' || c == 'e') return c;
  return 0;
}

void TBoiteValeur::Execute() {
  accepted_ = false;
  if (!videoOpen_) return;
  if (presenter_) presenter_->Present(*this);
}

bool TBoiteValeur::TryClose(const std::string& text) {
  double v = 0;
  bool converted;
  if (IsIntegerKind()) {
    long long i = 0;
    converted = TextToInt(text, i) && i >= std::numeric_limits<int32_t>::min() &&
                i <= std::numeric_limits<int32_t>::max();
    v = static_cast<double>(i);
  } else {
    converted = TextToFloat(text, v) && std::isfinite(v);
  }
  if (!converted) {
    ShowBadText(text);
    return false;
  }
  if (!InRange(v)) {
    ShowOutOfRange(text);
    return false;
  }
  accepted_ = true;
  if (IsIntegerKind()) {
    intValue_ = static_cast<int32_t>(v);
    value_ = v;
  } else {
    value_ = kind_ == tsAngle ? v * std::numbers::pi / 180.0 : v;
    intValue_ = 0;
  }
  return true;
}

void TBoiteValeur::ShowBadText(const std::string& text) {
  messages_.Icon = icWarning;
  messages_.ClearButtons();
  messages_.AddButton("Ok", btOk);
  messages_.AddLine("Valeur saisie : " + text, lkKeepStart, kBlue);
  messages_.AddLine("");
  if (IsIntegerKind()) {
    messages_.AddLine("Cette chaîne de caractères ne représente pas un entier acceptable.");
  } else {
    messages_.AddLine("Cette chaîne de caractères ne représente pas un nombre réel acceptable.");
    messages_.AddLine("");
    messages_.AddLine(
        "La chaîne de caractères doit être constituée d'un signe (facultatif), de chiffres, "
        "d'un séparateur décimal (facultatif), puis d'une mantisse (facultative).");
    messages_.AddLine(
        "La mantisse comprend « E » ou « e » suivi d'un signe (facultatif) et d'un nombre entier.");
  }
  messages_.Execute();
}

void TBoiteValeur::ShowOutOfRange(const std::string& text) {
  std::string shown = "Valeur saisie : " + text;
  if (kind_ == tsAngle) shown += "°";
  if (kind_ == tsLongueur) shown += " m";
  messages_.Icon = icInformation;
  messages_.ClearButtons();
  messages_.AddButton("Ok", btOk);
  messages_.AddLine(shown, lkKeepStart, kBlue);
  messages_.AddLine("");
  messages_.AddLine("Saisir une valeur comprise dans l'intervalle ci-dessous :");
  messages_.AddLine("");
  messages_.AddLine(range_);
  messages_.Execute();
}

TValueDialogLayout TBoiteValeur::Layout(int promptWidth, const std::function<int(int)>& noteHeight,
                                        int workAreaWidth) const {
  TValueDialogLayout l;
  l.clientWidth = std::min(workAreaWidth * 3 / 4, promptWidth + 36 + kEditWidth);
  l.clientHeight = kEditHeight + 56 + kButtonHeight + kStatusHeight + 2;
  int promptTop = 14;
  if (!note_.empty()) {
    const int h = noteHeight ? noteHeight(l.clientWidth - 24) : 0;
    l.note = {12, 14, 12 + l.clientWidth - 24, 14 + h};
    l.clientHeight += h + 14;
    promptTop = l.note.bottom + 14;
  }
  const int shownPrompt = std::max(0, std::min(promptWidth, l.clientWidth - kEditWidth - 36));
  l.prompt = {12, promptTop, 12 + shownPrompt, promptTop + kEditHeight - 4};
  l.edit = {l.prompt.right + 12, promptTop - 2, l.prompt.right + 12 + kEditWidth,
            promptTop - 2 + kEditHeight};
  l.statusBar = {0, l.clientHeight - kStatusHeight, l.clientWidth, l.clientHeight};
  const int buttonBottom = l.statusBar.top - 10;
  const int buttonLeft = (l.clientWidth - kButtonWidth) / 2;
  l.button = {buttonLeft, buttonBottom - kButtonHeight, buttonLeft + kButtonWidth, buttonBottom};
  l.line = {10, l.button.top - 14, l.clientWidth - 10, l.button.top - 12};
  return l;
}

}  // namespace kinevo
