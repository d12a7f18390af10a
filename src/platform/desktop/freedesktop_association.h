#pragma once
// The association of ".kvo" documents with the program, through the
// freedesktop files of the user's data folder: a shared-mime-info type for
// "*.kvo", a desktop entry that opens a document with the program, and the
// entry made the default handler of the type (with xdg-mime when it is
// installed, otherwise directly in the user's mimeapps.list).
#include <functional>
#include <string>
#include <vector>

#include "core/document/file_association.h"

namespace kinevo {

class TFreedesktopAssociation : public IFileAssociation {
 public:
  static constexpr const char* kMimeType = "application/x-kinevo";
  static constexpr const char* kDesktopId = "kinevo.desktop";

  // Runs a program (argv[0] looked up in PATH) and answers its exit code,
  // or 127 when it cannot be started.
  using Runner = std::function<int(const std::vector<std::string>& argv)>;

  // The folders of the environment ($XDG_DATA_HOME or ~/.local/share,
  // $XDG_CONFIG_HOME or ~/.config).
  TFreedesktopAssociation();
  TFreedesktopAssociation(std::string dataHome, std::string configHome);

  void SetRunner(Runner r) { runner_ = std::move(r); }

  std::string DesktopFilePath() const;   // <data>/applications/kinevo.desktop
  std::string MimePackagePath() const;   // <data>/mime/packages/kinevo-kvo.xml
  std::string MimeAppsListPath() const;  // <config>/mimeapps.list

  bool IsAssociated() const override;
  TStatus Associate(const std::string& programPath) override;
  TStatus Dissociate() override;

  // The text of the desktop entry for a program path (Exec quoted as the
  // desktop entry format asks).
  static std::string DesktopEntryText(const std::string& programPath);
  static std::string MimePackageText();

  // Starts programs with posix_spawnp, output discarded.
  static int RunProgram(const std::vector<std::string>& argv);

 private:
  std::string dataHome_, configHome_;
  Runner runner_;
};

}  // namespace kinevo
