#include "core/marking/measure_map.h"

#include <cmath>

namespace kinevo {

TStatus CheckLens(double k1, double k2) {
  if (!std::isfinite(k1) || !std::isfinite(k2))
    return Fail("Les coefficients de la correction de l'objectif doivent être des nombres.");
  // d(r·f(r))/dr = 1 + 3·k1·r² + 5·k2·r⁴ over [0, 1], a quadratic in s = r²:
  // its least value is at an end or at its vertex.
  auto slope = [&](double s) { return 1.0 + 3.0 * k1 * s + 5.0 * k2 * s * s; };
  double least = std::min(slope(0.0), slope(1.0));
  if (k2 != 0.0) {
    const double vertex = -3.0 * k1 / (10.0 * k2);
    if (vertex > 0.0 && vertex < 1.0) least = std::min(least, slope(vertex));
  }
  if (!(least > 0.0))
    return Fail(
        "La correction de l'objectif est trop forte : elle ne garde pas l'ordre des points "
        "du centre aux coins de l'image.");
  return {};
}

TMeasureMap::TMeasureMap(const TMeasureCalibration& c, double width, double height)
    : width_(width),
      height_(height),
      lensOn_(c.lens.on),
      planeOn_(c.plane.on),
      lens_(width, height, c.lens.on ? c.lens.k1 : 0.0, c.lens.on ? c.lens.k2 : 0.0) {
  if (!(width > 0.0 && height > 0.0)) {
    if (lensOn_ || planeOn_) failure_ = "L'image n'a pas de taille.";
    lensOn_ = planeOn_ = false;
    return;
  }
  if (!planeOn_) return;
  std::array<TWorldPoint, 4> picture;
  for (std::size_t i = 0; i < 4; ++i) {
    const TPictureCoord p = Corrected(c.plane.points[i]);
    picture[i] = {p.x * width_, p.y * height_};
  }
  TResult<THomography> h = CalibratePlane(picture, c.plane.width, c.plane.height);
  if (h)
    homography_ = *h;
  else
    failure_ = h.error().reason;
}

TPictureCoord TMeasureMap::Corrected(const TPictureCoord& shown) const {
  if (!lensOn_) return shown;
  const TWorldPoint q = lens_.Correct({shown.x * width_, shown.y * height_});
  return {q.x / width_, q.y / height_};
}

TWorldPoint TMeasureMap::ToPlane(const TPictureCoord& shown) const {
  const TPictureCoord p = Corrected(shown);
  return homography_.Map({p.x * width_, p.y * height_});
}

TWorldPoint TMeasureMap::Measured(const TPictureCoord& shown) const {
  if (planeOn_) return ToPlane(shown);
  const TPictureCoord p = Corrected(shown);
  return {p.x, p.y};
}

TWorldPoint TMeasureMap::Uncertainty(const TPictureCoord& shown, double pixels) const {
  if (!lensOn_ && !planeOn_)
    return {width_ > 0 ? pixels / width_ : 0.0, height_ > 0 ? pixels / height_ : 0.0};
  // Central differences over a hundredth of a pixel: both maps are smooth
  // at that scale, and the step is far above the rounding of the fractions.
  const double h = 0.01;
  const double dx = h / width_, dy = h / height_;
  const TWorldPoint xp = Measured({shown.x + dx, shown.y}), xm = Measured({shown.x - dx, shown.y});
  const TWorldPoint yp = Measured({shown.x, shown.y + dy}), ym = Measured({shown.x, shown.y - dy});
  // Partial derivatives per pixel.
  const double ax = (xp.x - xm.x) / (2 * h), ay = (yp.x - ym.x) / (2 * h);
  const double bx = (xp.y - xm.y) / (2 * h), by = (yp.y - ym.y) / (2 * h);
  return {pixels * std::hypot(ax, ay), pixels * std::hypot(bx, by)};
}

TPictureCoord TMeasureMap::Uncorrected(const TPictureCoord& corrected) const {
  if (!lensOn_ || !std::isfinite(corrected.x) || !std::isfinite(corrected.y)) return corrected;
  const TWorldPoint shown = lens_.Distort({corrected.x * width_, corrected.y * height_});
  return {shown.x / width_, shown.y / height_};
}

TPictureCoord TMeasureMap::Shown(const TWorldPoint& plane) const {
  const TWorldPoint corrected = homography_.InverseMap(plane);
  if (!std::isfinite(corrected.x) || !std::isfinite(corrected.y)) return {NAN, NAN};
  const TWorldPoint shown = lensOn_ ? lens_.Distort(corrected) : corrected;
  return {shown.x / width_, shown.y / height_};
}

std::vector<TGridLine> PlaneGridLines(const TMeasureMap& map, const TPlaneSetting& plane) {
  std::vector<TGridLine> lines;
  if (!map.PlaneOn() || map.Failed() || !(plane.width > 0.0) || !(plane.height > 0.0)) return lines;
  // Lines every tenth of the calibrated rectangle, over it and as far again
  // around it, each cut where it leaves the picture or the camera's view;
  // curved by the lens, so drawn as many short segments.
  constexpr int kDivisions = 10, kBeyond = 10, kSamples = 60;
  auto add = [&](int i, auto point) {
    std::vector<TPictureCoord> run;
    for (int k = 0; k <= kSamples; ++k) {
      const TPictureCoord p = map.Shown(point(-1.0 + 3.0 * k / kSamples));
      const bool inside = std::isfinite(p.x) && std::isfinite(p.y) && p.x >= 0.0 && p.x <= 1.0 &&
                          p.y >= 0.0 && p.y <= 1.0;
      if (inside) run.push_back(p);
      if ((!inside || k == kSamples) && run.size() >= 2)
        lines.push_back({run, i == 0, i == kDivisions});
      if (!inside) run.clear();
    }
  };
  for (int i = -kBeyond; i <= kDivisions + kBeyond; ++i) {
    const double x = plane.width * i / kDivisions, y = plane.height * i / kDivisions;
    add(i, [&](double s) { return TWorldPoint{x, s * plane.height}; });
    add(i, [&](double s) { return TWorldPoint{s * plane.width, y}; });
  }
  return lines;
}

}  // namespace kinevo
