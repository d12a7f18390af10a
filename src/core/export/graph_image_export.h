#pragma once
// The export of a graph view as an image: the save dialog's texts, the
// format the user chose, the name of the file written and the messages.
// SVG stands for the vector picture and PNG or BMP for the raster ones.
#include <string>

#include "core/common/result.h"
#include "core/common/user_dialog.h"

namespace kinevo {

enum TImageFormat { ifSvg, ifPng, ifBmp };

struct TImageFileDialog {
  std::string title = "Exporter dans un fichier image";
  // Caption|pattern pairs, in the order of TImageFormat; the first one is
  // offered first.
  std::string filter =
      "Image vectorielle SVG (*.svg)|*.svg|Image PNG (*.png)|*.png|Bitmap (*.bmp)|*.bmp";
  std::string fileName;  // the video's file name without its extension
};
TImageFileDialog ImageFileDialog(const std::string& videoFileName);

// The format of the chosen name: its own extension when it is one of the
// three (in any case), otherwise the format of the filter chosen
// (`filterIndex` counts from 0).
TImageFormat ChosenImageFormat(const std::string& chosen, int filterIndex);
// The chosen name with the extension of `format` (replacing any other).
std::string WithImageExtension(const std::string& chosen, TImageFormat format);
// "svg", "png", "bmp".
const char* ImageExtension(TImageFormat format);

// The messages after writing the file (with the cause of a failure), and
// after copying the picture.
void ReportImageSaved(TUserDlg& dlg, const TStatus& saved, TImageFormat format);
void ReportImageCopied(TUserDlg& dlg, bool ok);

}  // namespace kinevo
