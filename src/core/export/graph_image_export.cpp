#include "core/export/graph_image_export.h"

#include <filesystem>

#include "core/common/text_utils.h"
#include "core/export/export_actions.h"

namespace kinevo {

namespace fs = std::filesystem;

TImageFileDialog ImageFileDialog(const std::string& videoFileName) {
  TImageFileDialog d;
  if (!videoFileName.empty()) d.fileName = fs::path(videoFileName).stem().string();
  return d;
}

const char* ImageExtension(TImageFormat format) {
  switch (format) {
    case ifPng:
      return "png";
    case ifBmp:
      return "bmp";
    default:
      return "svg";
  }
}

TImageFormat ChosenImageFormat(const std::string& chosen, int filterIndex) {
  const std::string ext = LowerAscii(fs::path(chosen).extension().string());
  for (TImageFormat f : {ifSvg, ifPng, ifBmp})
    if (ext == std::string(".") + ImageExtension(f)) return f;
  return filterIndex == 1 ? ifPng : filterIndex == 2 ? ifBmp : ifSvg;
}

std::string WithImageExtension(const std::string& chosen, TImageFormat format) {
  return fs::path(chosen).replace_extension(ImageExtension(format)).string();
}

void ReportImageSaved(TUserDlg& dlg, const TStatus& saved, TImageFormat format) {
  if (!saved) {
    std::vector<std::string> lines{kExportErrorText};
    for (auto& line : saved.error().Lines()) lines.push_back(std::move(line));
    dlg.Show(icError, {{"Ok", btOk}}, lines);
    return;
  }
  dlg.Show(icInformation, {{"Ok", btOk}},
           {"Enregistrement dans un fichier image effectué.",
            "Le fichier porte l'extension " + UpperAscii(ImageExtension(format)) + "."});
}

void ReportImageCopied(TUserDlg& dlg, bool ok) {
  if (!ok) {
    dlg.Show(icError, {{"Ok", btOk}}, {kExportErrorText});
    return;
  }
  dlg.Show(icInformation, {{"Ok", btOk}},
           {"Copie dans le presse-papier effectuée.",
            "Après avoir fermé cette fenêtre, ouvrir un autre logiciel et frapper au clavier "
            "simultanément Ctrl + V (ou menu Edition > Coller).",
            "L'image copiée peut-être dissociée et transformée élément par élément."});
}

}  // namespace kinevo
