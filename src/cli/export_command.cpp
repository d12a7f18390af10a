// kinevo-cli export DOC.kvo --format txt|csv|xlsx|ods -o FILE: the values
// table of a document as the results window holds it, every group of
// quantities shown, written as tab-separated text, CSV or a spreadsheet.
#include <ctime>
#include <filesystem>
#include <iostream>

#include "cli/command.h"
#include "cli/session_open.h"
#include "core/app/readiness.h"
#include "core/common/atomic_file.h"
#include "core/common/number_format.h"
#include "core/export/table_export.h"
#include "core/results/values_grid.h"
#include "platform/spreadsheet/ods_writer.h"
#include "platform/spreadsheet/xlsx_writer.h"

namespace kinevo::cli {
namespace {

constexpr const char* kUsage =
    "Usage : kinevo-cli export DOC.kvo --format txt|csv|xlsx|ods -o FICHIER [--layer] "
    "[--video CHEMIN] [--decimal ,|.] [--uncertainties]\n";

std::string ProgramPath() {
  std::error_code ec;
  const auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string("kinevo-cli") : p.string();
}

std::string Now() {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[64];
  const std::size_t n = std::strftime(buf, sizeof buf, "%d/%m/%Y %H:%M:%S", &tm);
  return std::string(buf, n);
}

int Export(const std::vector<std::string>& input) {
  std::vector<std::string> args = input;
  std::string format, output, video, decimal = ".";
  bool missing = false;
  TakeOption(args, "--format", format, missing);
  TakeOption(args, "-o", output, missing);
  TakeOption(args, "--video", video, missing);
  TakeOption(args, "--decimal", decimal, missing);
  const bool layer = TakeFlag(args, "--layer");
  const bool withU = TakeFlag(args, "--uncertainties");
  if (missing || args.size() != 1 || output.empty() || (decimal != "." && decimal != ",") ||
      (format != "txt" && format != "csv" && format != "xlsx" && format != "ods")) {
    std::cerr << kUsage;
    return 2;
  }
  auto cs = OpenDocumentInMode(args[0], video, layer);
  if (!cs) return 1;
  TSession& s = *cs->session;
  if (!OutputAllowed(output, {args[0], s.Video.FileName()})) return 1;
  s.Results().SetUncertainties(withU);
  if (!ComputeResultsQuietly(s)) return 1;
  ScopedDecimalSeparator sep(decimal[0]);
  TGrid grid(layer ? s.Results().Layer() : s.Results().Grid(), s.ResultsSource(), layer,
             s.Results().Options());
  grid.ResetColumns();
  grid.SetKindsVisible(true, kPositions | kSpeeds | kAccelerations | kPolar);
  grid.SetUncertaintiesShown(withU);
  grid.Recount();
  const TExportTable table = ValuesTable(grid, s.ResultsSource().XAxisAngle(layer));

  TStatus written;
  if (format == "txt")
    written = WriteFileAtomically(output, LinesText(TableText(table, ProgramPath(), Now())));
  else if (format == "csv")
    written = WriteFileAtomically(output, CsvText(table, decimal[0]));
  else if (format == "xlsx")
    written = TXlsxWriter().Write(TableMatrix(table), output);
  else
    written = TOdsWriter().Write(TableMatrix(table), output);
  if (!written) {
    std::cerr << written.error().Text() << "\n";
    return 1;
  }
  return 0;
}

Register exportCommand(
    "export",
    "export DOC.kvo --format txt|csv|xlsx|ods -o FICHIER [--layer] [--video CHEMIN] [--decimal ,|.]"
    " [--uncertainties]   tableau des valeurs dans un fichier",
    Export);

}  // namespace
}  // namespace kinevo::cli
