#pragma once
// What the strobe and annotate commands share: whole numbers of their
// options, and the document opened with the results its vectors need and
// the chronophotograph's plan of its marks.
#include <memory>
#include <optional>
#include <string>

#include "cli/session_open.h"
#include "core/chrono/chronophotograph.h"

namespace kinevo::cli {

// A whole number from lo to hi; false for anything else.
bool ParseWholeNumber(const std::string& text, long lo, long hi, long& out);

struct TChronoCommand {
  std::unique_ptr<TCliSession> cs;
  TChronophotograph plan;
};

struct TChronoSource {
  std::string document, video, output;
  bool layer = false;
};

// Opens the document (its Grid or Layer marks), refuses an output that is
// one of its inputs, computes the results when vectors are asked for and
// plans the picture of the video's size.  Prints the failure on stderr
// and answers nothing.
std::optional<TChronoCommand> OpenAndPlan(const TChronoSource& source, TChronoSettings& settings);

}  // namespace kinevo::cli
