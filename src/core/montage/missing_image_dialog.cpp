#include "core/montage/missing_image_dialog.h"

#include "core/common/number_format.h"

namespace kinevo {

TMissingImageModel::TMissingImageModel(TMontage& montage, std::function<double()> requiredDuration)
    : montage_(montage), duration_(std::move(requiredDuration)) {}

std::string TMissingImageModel::Intro() const {
  return "Il faut modifier la durée entre les deux images qui encadrent l'image manquante.";
}

std::string TMissingImageModel::DurationLine() const {
  const double t = duration_ ? duration_() : 0.0;
  return "L'intervalle de temps entre deux images successives est T = " + FormatNumber(0, t) +
         " s.";
}

std::string TMissingImageModel::OriginLine() const {
  return "L'instant initial correspond à la première image visible du flux vidéo.";
}

std::string TMissingImageModel::PreviousLine() const {
  const double t = montage_.ImageTime(1);
  if (t < 0) return {};
  return "image visible précédente   t = " + FormatNumber(0, t) + " s";
}

std::string TMissingImageModel::CurrentLabel() const {
  return "instant correspondant à l'image sélectionnée  t =";
}

std::string TMissingImageModel::CurrentValue() const {
  const double t = montage_.ImageTime(2);
  return t < 0 ? std::string() : FormatNumber(0, t);
}

std::string TMissingImageModel::NextLine() const {
  const double t = montage_.ImageTime(0);
  if (t < 0) return {};
  return "image visible suivante     t = " + FormatNumber(0, t) + " s";
}

bool TMissingImageModel::Step(int delta) {
  const int next = position_ + delta;
  if (next < kMinPosition || next > kMaxPosition) return false;
  if (!montage_.ShiftTimes(delta)) return false;
  position_ = next;
  return true;
}

bool TMissingImageModel::Up() { return Step(+1); }
bool TMissingImageModel::Down() { return Step(-1); }

}  // namespace kinevo
