#pragma once
// The results source over the marking data and the video view: the series,
// scale, axes and time step of the active marking mode, through the lens
// correction and the plane calibration when they are on.
#include "core/common/video_view.h"
#include "core/marking/marking_data.h"
#include "core/results/results_source.h"

namespace kinevo {

class TMarkingResultsSource : public IResultsSource {
 public:
  TMarkingResultsSource(const TData& data, const IVideoView& view) : data_(data), view_(view) {}

  bool IsVideoOpen() const override { return view_.IsOpen(); }
  bool IsLayerActive() const override { return data_.IsLayerActive(); }
  bool Serves(bool layer) const override { return layer == data_.IsLayerActive(); }
  void GetSeries(bool layer, TMarkSeries& out) const override;
  // The usual scale and axes, or the plane's when it is on (the series are
  // then in its metres already).
  std::pair<double, double> ScaleFactors() const override {
    const TMeasureFrame f = data_.MeasureFrame();
    return {f.kx, f.ky};
  }
  std::string MeasureFailure() const override { return data_.MeasureMap().Failure(); }
  bool PlaneOn() const override { return data_.Calibration().plane.on; }
  double ScaleRelativeUncertainty() const override {
    return data_.Calibration().plane.on ? 0.0 : data_.ScaleRelativeUncertainty();
  }
  double XAxisAngle(bool) const override { return data_.MeasureFrame().angle; }
  bool DirectXAxisDirection(bool) const override { return data_.MeasureFrame().directX; }
  bool DirectYAxisDirection(bool) const override { return data_.MeasureFrame().directY; }
  double ImagePeriod() const override { return data_.RequiredDuration(); }
  std::string SystemName(bool, int s) const override { return data_.SystemName(s); }

 private:
  const TData& data_;
  const IVideoView& view_;
};

}  // namespace kinevo
