#pragma once
// Screenshots of windows, for a look at them: written into the folder named
// by KINEVO_SHOTS_DIR when it is set, otherwise into a fresh temporary
// folder that goes with the test program.
#include <QImage>
#include <QString>
#include <QWidget>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/temp_dir.h"

namespace kinevo::test {

inline std::string ShotsFolder() {
  if (const char* out = std::getenv("KINEVO_SHOTS_DIR"); out != nullptr && *out != '\0') {
    std::error_code ec;
    std::filesystem::create_directories(out, ec);
    return out;
  }
  static const TempDir temp("kinevo-shots");
  return temp.Path();
}

// Saves `image` as <name>.png; false when it could not be written.
inline bool SaveShot(const QImage& image, const std::string& name) {
  return image.save(QString::fromStdString(ShotsFolder() + "/" + name + ".png"));
}

inline bool Shot(QWidget& w, const std::string& name) { return SaveShot(w.grab().toImage(), name); }

}  // namespace kinevo::test
