// Fuzzes the reading of a document's marking data: any bytes given as a
// document must read or be refused, never crash, hang or allocate without
// bound.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/common/ini_file.h"
#include "core/common/palette.h"
#include "core/common/user_dialog.h"
#include "core/document/marking_document.h"
#include "core/marking/marking_data.h"

namespace {

// A view with a fixed picture and view size.
class FuzzView : public kinevo::IVideoView {
 public:
  kinevo::TVideoMode Mode() const override { return kinevo::vmRepereFixe; }
  bool IsOpen() const override { return true; }
  int CurrentImage() const override { return 0; }
  int ImagesNumber() const override { return 1000; }
  void GoToImage(int) override {}
  void AdvanceImages(int) override {}
  kinevo::TPictureCoord ScreenToPicture(double x, double y) const override {
    return {x / 640, y / 480};
  }
  kinevo::TPixel PictureToScreen(const kinevo::TPictureCoord& p) const override {
    return {static_cast<int>(p.x * 640), static_cast<int>(p.y * 480)};
  }
  int ImageWidth() const override { return 640; }
  int ImageHeight() const override { return 480; }
  int ViewWidth() const override { return 640; }
  int ViewHeight() const override { return 480; }
  void Repaint() override {}
  void SetViewCursor(const std::string&) override {}
  void UpdateCursor() override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzView view;
  kinevo::TUserDlg dialog;
  kinevo::TGraphUtils graph;
  kinevo::TData marking(view, dialog, graph);
  kinevo::TIniFile ini;
  ini.SetText(std::string_view(reinterpret_cast<const char*>(data), size));
  if (kinevo::LoadMarkingData(marking, ini)) {
    (void)marking.GetSeries();
    kinevo::TIniFile out;
    kinevo::SaveMarkingData(marking, out);
  }
  return 0;
}
