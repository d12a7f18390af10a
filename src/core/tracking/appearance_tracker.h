#pragma once
// TAppearanceTracker follows one object by its look, for objects that have
// no colour of their own (a grey ball before a grey wall, a cart, a person).
// The template is the picture inside the drawn contour; on each later image
// it is matched by normalised cross-correlation (core/tracking/ncc.h) in a
// search zone around the place the object's last positions predict, first
// on pictures averaged over blocks (a few candidates), then at full
// resolution around them, and the best score is refined to a fraction of a
// pixel.
//
// Light and view change slowly over a run; the template follows them: after
// each sure image it moves a fraction kAdaptation of the way towards the
// object's present look, and then a fraction kPullBack back towards the
// first template, so that the small errors of each image cannot carry it
// away from the object.
//
// Positions are continuous picture pixels: pixel i covers [i, i + 1).
#include <array>
#include <vector>

#include "core/common/image.h"
#include "core/tracking/mean_shift.h"
#include "core/tracking/ncc.h"

namespace kinevo {

class TAppearanceTracker {
 public:
  // The template's steps towards the present look and back towards the
  // first one, after each sure image.  With a steady look the template
  // settles at kAdaptation / (kAdaptation + kPullBack) = 2/3 of the way.
  static constexpr double kAdaptation = 0.10;
  static constexpr double kPullBack = 0.05;
  // A match is the object when its score reaches this fraction of the
  // recent sure scores (a running mean, the latest weighing
  // kRecentWeight): a sudden drop means the object is hidden or another
  // object stands in its place, which the template must not learn.
  static constexpr double kTrust = 0.9;
  static constexpr double kRecentWeight = 0.3;
  // Candidates of the coarse pass refined at full resolution.
  static constexpr int kCandidates = 3;

  bool UseRGB = false;  // grey (the mean of R, G, B) when false

  // How far (pixels) the object may be from where it was predicted, in
  // [TMeanShift::kMinRadius, TMeanShift::kMaxRadius].
  void SetRadius(int r);
  int Radius() const { return radius_; }

  // The template: the picture inside the contour (picture positions), cut
  // as the colour tracker cuts its model.  False, changing nothing, when the
  // contour encloses too few pixels or a flat picture.
  bool SetModel(const Image& picture, const TPicturePolygon& contour);
  bool HasModel() const { return fine_.Width() > 0; }
  // The centroid of the template's pixels where it was drawn.
  TPixelF ModelCentre() const { return modelCentre_; }
  int ModelWidth() const { return fine_.Width(); }
  int ModelHeight() const { return fine_.Height(); }
  // The block size of the coarse pass (1: none).
  int Factor() const { return factor_; }

  // Finds the object on the next image.  The best match is the object when
  // its score reaches `sureAbove` and kTrust of the recent scores: the
  // template adapts and the position joins the history.  Otherwise (the
  // object hidden, gone, changed beyond recognition) the position given is
  // the prediction, with the score found there, and neither the template
  // nor the history learns from it: the object is looked for where its
  // motion takes it.
  void Track(const Image& picture, double sureAbove);
  TPixelF Prediction() const { return prediction_; }
  TPixelF LastPosition() const { return lastPosition_; }
  double LastSimilarity() const { return lastSimilarity_; }

  // The score of the present template with its centre at `p` (rounded to
  // whole pixels): 1 on the image the template was cut from.
  double Similarity(const Image& picture, const TPixelF& p) const;

  // Side of the searched square around the prediction.
  int SearchWidth() const { return fine_.Width() + 2 * radius_; }
  int SearchHeight() const { return fine_.Height() + 2 * radius_; }

 private:
  // A zone of the picture ready for scoring, with the template's top-left
  // offsets it allows.
  struct TZone {
    TPixelRect rect;  // in the picture
    TPlanes planes;
    TZoneSums sums;
    int offsetsX = 0, offsetsY = 0;  // top-left corners the template may take
  };
  struct TPeak {
    int x = 0, y = 0;  // offsets in the zone
    double score = -2.0;
  };

  void BuildTemplates();
  TPixelF Predict() const;
  void Remember(const TPixelF& p);
  // The zone holding every top-left corner within `radius` of `topLeft`,
  // the template inside the picture; false when none is.
  bool PrepareZone(const Image& picture, TPixel topLeft, int radius, TZone& zone) const;
  std::vector<TPeak> CoarseCandidates(const TZone& zone) const;
  // Climbs from `start` to the best full-resolution score near it.
  TPeak Refine(const TZone& zone, TPixel start, std::vector<float>& memo) const;
  TPeak FullSearch(const TZone& zone, std::vector<float>& memo) const;
  double FineScore(const TZone& zone, int x, int y, std::vector<float>& memo) const;
  void Adapt(const Image& picture);

  int radius_ = 40;
  int factor_ = 1;
  TPixelF modelCentre_;
  TPixelF centreInBox_;  // the centroid from the template's top-left corner
  std::vector<uint8_t> mask_;
  TPlanes first_, current_;  // the template's values where drawn, and now
  TNccTemplate fine_, coarse_;

  // The latest sure positions, latest first, with their images (counted
  // from the template's).
  struct TSeen {
    int image = 0;
    TPixelF position;
  };
  std::array<TSeen, 3> history_{};
  int historyCount_ = 0;
  int image_ = 0;
  TPixelF prediction_, lastPosition_;
  double lastSimilarity_ = 0.0;
  double recentScore_ = 1.0;
  bool lost_ = false;  // the last image was not sure
};

}  // namespace kinevo
