#include "core/app/readiness.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/marking/marking_data.h"

namespace kinevo {

namespace {

// Small drawing helpers for the 32 x 32 pictures.
void Dot(Image& im, int x, int y, TColor c, int r = 0) {
  for (int dy = -r; dy <= r; ++dy)
    for (int dx = -r; dx <= r; ++dx) {
      if (dx * dx + dy * dy > r * r + r) continue;
      const int px = x + dx, py = y + dy;
      if (px >= 0 && py >= 0 && px < im.Width() && py < im.Height()) im.SetPixel(px, py, c);
    }
}

void Line(Image& im, int x0, int y0, int x1, int y1, TColor c, int r = 0) {
  const int n = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
  for (int i = 0; i <= n; ++i) {
    const double t = n == 0 ? 0 : static_cast<double>(i) / n;
    Dot(im, static_cast<int>(std::lround(x0 + (x1 - x0) * t)),
        static_cast<int>(std::lround(y0 + (y1 - y0) * t)), c, r);
  }
}

void Arrow(Image& im, int x0, int y0, int x1, int y1, TColor c) {
  Line(im, x0, y0, x1, y1, c);
  const double a = std::atan2(y1 - y0, x1 - x0);
  for (double side : {2.6, -2.6}) {
    Line(im, x1, y1, x1 + static_cast<int>(std::lround(6 * std::cos(a + side))),
         y1 + static_cast<int>(std::lround(6 * std::sin(a + side))), c);
  }
}

constexpr TColor kRed = 0x0000FF;
constexpr TColor kBlue = 0xFF0000;
constexpr TColor kGreen = 0x008000;
constexpr TColor kBlack = 0x000000;
constexpr TColor kGrey = 0x808080;

}  // namespace

Image ReadinessPicture(TReadinessPicture which) {
  Image im(32, 32, kPictureGround);
  switch (which) {
    case rpScale:  // a tilted segment with arrows at both ends
      Arrow(im, 16, 16, 4, 27, kBlue);
      Arrow(im, 16, 16, 28, 5, kBlue);
      break;
    case rpScaleHoriz:
      Arrow(im, 16, 16, 3, 16, kBlue);
      Arrow(im, 16, 16, 29, 16, kBlue);
      Line(im, 3, 10, 3, 22, kGrey);
      Line(im, 29, 10, 29, 22, kGrey);
      break;
    case rpScaleVert:
      Arrow(im, 16, 16, 16, 3, kBlue);
      Arrow(im, 16, 16, 16, 29, kBlue);
      Line(im, 10, 3, 22, 3, kGrey);
      Line(im, 10, 29, 22, 29, kGrey);
      break;
    case rpMarks:  // a parabola of marks
      for (int i = 0; i < 6; ++i) {
        const int x = 4 + i * 5;
        const int y = 26 - static_cast<int>(std::lround(20 - 0.9 * (x - 16) * (x - 16) / 8.0));
        Dot(im, x, y, kRed, 2);
      }
      break;
    case rpFrame:  // the two axes from an origin
      Arrow(im, 6, 26, 29, 26, kRed);
      Arrow(im, 6, 26, 6, 3, kRed);
      Dot(im, 6, 26, kBlack, 2);
      break;
    case rpLayer:  // a square sheet with a cross at its centre and a mark
      Line(im, 3, 3, 28, 3, kGreen);
      Line(im, 28, 3, 28, 28, kGreen);
      Line(im, 28, 28, 3, 28, kGreen);
      Line(im, 3, 28, 3, 3, kGreen);
      Line(im, 11, 15, 20, 15, kGreen);
      Line(im, 15, 11, 15, 20, kGreen);
      Dot(im, 23, 8, kRed, 2);
      break;
    case rpNames:  // a label with lines of text
      Line(im, 3, 8, 28, 8, kBlack);
      Line(im, 3, 24, 28, 24, kBlack);
      Line(im, 3, 8, 3, 24, kBlack);
      Line(im, 28, 8, 28, 24, kBlack);
      Line(im, 7, 13, 24, 13, kBlue);
      Line(im, 7, 18, 18, 18, kBlue);
      break;
  }
  return im;
}

TReadinessInput ReadinessInputOf(const TData& data, TVideoMode mode, bool separateScales,
                                 bool adviseNames) {
  TReadinessInput in;
  // The results come from the layer's marks in Layer marking, and from the
  // Grid marks in every other mode (montage and tracking included): those
  // are the marks to check.
  in.mode = mode == vmTransparent ? vmTransparent : vmRepereFixe;
  // The plane's calibration stands for the scale and the origin.
  const bool plane = data.Calibration().plane.on;
  in.scaleComplete = data.IsScaleComplete() || plane;
  in.separateScales = separateScales;
  in.horizScaleComplete = data.IsHorizScaleComplete() || plane;
  in.systems = data.MarksNumberPerFrame();
  in.minMarksPerSystem = data.MinMarksPerSystem();
  in.marksCount = data.MarksCount();
  in.hasOrigin = data.Fixed().HasOrigin() || plane;
  in.adviseNames = adviseNames;
  in.defaultNames = data.HasDefaultSystemNames();
  return in;
}

namespace {

int32_t ShowCustom(TUserDlg& dialog, TReadinessPicture picture,
                   const std::vector<TUserButton>& buttons, const std::vector<std::string>& lines) {
  dialog.SetCustomIcon(ReadinessPicture(picture));
  return dialog.Show(icCustom, buttons, lines);
}

// The warning below five marks: only "Continuer" goes on.
bool FewMarksAccepted(TUserDlg& dialog) {
  const int32_t r =
      dialog.Show(icInformation, {{"Annuler", btAnnuler}, {"Continuer", btIgnorer}},
                  {"Le calcul de la vitesse ou de l'accélération nécessite au moins cinq marques "
                   "sur la trajectoire pour être fiable."});
  return r == 1;
}

}  // namespace

TReadiness CheckReadiness(const TReadinessInput& in, TUserDlg& dialog, TMainMem& mem) {
  const std::vector<TUserButton> ok = {{"Ok", btOk}};
  if (!in.scaleComplete) {
    TReadinessPicture p = rpScale;
    if (in.separateScales) p = in.horizScaleComplete ? rpScaleVert : rpScaleHoriz;
    ShowCustom(dialog, p, ok,
               {"Définir, au préalable, l'échelle à l'aide d'une longueur connue.",
                "Utiliser le bouton poussoir « Echelle »."});
    return rdStop;
  }
  if (in.mode == vmRepereFixe) {
    if (in.minMarksPerSystem <= 2) {
      std::vector<std::string> lines;
      if (in.systems > 1) {
        char buf[160];
        std::snprintf(buf, sizeof buf,
                      "Vous avez choisi de pointer simultanément les positions de %u objets.",
                      static_cast<unsigned>(in.systems));
        lines.emplace_back(buf);
      }
      lines.emplace_back("Poser, au préalable, au moins trois marques par objet.");
      lines.emplace_back("Utiliser le bouton poussoir « Marques ».");
      ShowCustom(dialog, rpMarks, ok, lines);
      return rdStop;
    }
    if (!in.hasOrigin) {
      ShowCustom(dialog, rpFrame, ok,
                 {"Poser, au préalable, l'origine d'un repère.",
                  "Utiliser le bouton poussoir « Repère »."});
      return rdStop;
    }
    if (in.minMarksPerSystem <= 4 && !FewMarksAccepted(dialog)) return rdStop;
  } else if (in.mode == vmTransparent) {
    if (in.marksCount <= 2) {
      ShowCustom(dialog, rpLayer, ok,
                 {"Poser, au préalable, au moins trois marques sur la trajectoire.",
                  "A l'aide de la souris, glisser-déposer le transparent puis pointer la position "
                  "de l'objet."});
      return rdStop;
    }
    if (in.marksCount <= 4 && !FewMarksAccepted(dialog)) return rdStop;
  } else {
    return rdGo;
  }
  if (in.adviseNames && in.defaultNames && mem.adviseNames) {
    dialog.CheckBoxCaption = "Ne plus afficher cette boîte de dialogue";
    dialog.CheckBoxCheck = false;
    const int32_t r =
        ShowCustom(dialog, rpNames,
                   {{"Donner un nom", btCustom}, {"Annuler", btAnnuler}, {"Ignorer", btIgnorer}},
                   {"Le nom d'un objet est attribué par défaut (« Point n°1 » par exemple).",
                    "Pour rendre les résultats plus clairs, il est fortement recommandé de nommer "
                    "l'objet de manière plus explicite."});
    if (dialog.CheckBoxCheck) mem.adviseNames = false;
    dialog.CheckBoxCheck = false;
    if (r == 0) return rdNameFirst;
    if (r == 1) return rdStop;
  }
  return rdGo;
}

}  // namespace kinevo
