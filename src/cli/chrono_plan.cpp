#include "cli/chrono_plan.h"

#include <cstdlib>
#include <iostream>

#include "core/app/results_look.h"
#include "core/results/result_views.h"

namespace kinevo::cli {

bool ParseWholeNumber(const std::string& text, long lo, long hi, long& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || v < lo || v > hi) return false;
  out = v;
  return true;
}

std::optional<TChronoCommand> OpenAndPlan(const TChronoSource& source, TChronoSettings& settings) {
  TChronoCommand c;
  c.cs = OpenDocumentInMode(source.document, source.video, source.layer);
  if (!c.cs) return std::nullopt;
  TSession& s = *c.cs->session;
  if (!OutputAllowed(source.output, {source.document, s.Video.FileName()})) return std::nullopt;
  const TCalcul* calc = nullptr;
  if (settings.vectors != cvNone) {
    if (!ComputeResultsQuietly(s)) return std::nullopt;
    calc = &s.Results().Active();
    // The vector view's settings hide the edge speeds or accelerations.
    const int qx = settings.vectors == cvSpeed ? qtVx : qtAx;
    settings.maskedAtEnds = EdgeRows(qx, GraphLookFor(rvVectors, s.Options));
  }
  TResult<TChronophotograph> plan =
      PlanChronophotograph(s.Data, calc, s.Video.ImageWidth(), s.Video.ImageHeight(), settings);
  if (!plan) {
    std::cerr << plan.error().Text() << "\n";
    return std::nullopt;
  }
  c.plan = std::move(*plan);
  return c;
}

}  // namespace kinevo::cli
