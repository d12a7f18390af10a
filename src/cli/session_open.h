#pragma once
// A session for the commands of kinevo-cli that read documents: the real
// frame sources, no settings file, and messages printed on stderr.
#include <memory>
#include <string>
#include <vector>

#include "core/app/session.h"

namespace kinevo::cli {

// Prints every message on stderr and answers "Continuer" when offered,
// otherwise the first button.
class TStderrPresenter : public IUserDlgPresenter {
 public:
  int32_t Present(const TUserDlgContent& content, bool& checkBoxCheck) override;
};

struct TCliSession {
  TStderrPresenter presenter;
  std::unique_ptr<TSession> session;
};

// Takes "--NAME VALUE" out of `args`; false when absent.  A missing value
// sets `missing`.
bool TakeOption(std::vector<std::string>& args, const std::string& name, std::string& value,
                bool& missing);
bool TakeFlag(std::vector<std::string>& args, const std::string& name);

// A curve model kind by its name on the command line (constant,
// proportional, line, parabola, exponential, sine, damped-sine,
// dry-friction); false for another name.
bool ParseModelKind(const std::string& text, int& kind);

// Whether a command reading `inputs` may write `output` (not one of the
// inputs, not a folder, not protected against writing); prints the refusal
// on stderr.
bool OutputAllowed(const std::string& output, const std::vector<std::string>& inputs);

// A session over the real frame sources, no settings file, messages on
// stderr.
std::unique_ptr<TCliSession> NewCliSession();

// Opens the document with its video (or `videoOverride`); prints the
// program's message on stderr and returns null on failure.
std::unique_ptr<TCliSession> OpenDocumentSession(const std::string& document,
                                                 const std::string& videoOverride);

// Prints, as the window says it, that the document `path` could not be
// saved, with the cause.
void PrintSaveFailure(const std::string& path, const TError& failure);

// Opens the document with its video and switches to the Layer marking
// mode when `layer`, else to the Grid mode; prints the message and returns
// null when the document cannot be read or the mode is not available.
std::unique_ptr<TCliSession> OpenDocumentInMode(const std::string& document,
                                                const std::string& videoOverride, bool layer);

// Runs the readiness checks of the result buttons (their messages go to
// stderr) and computes the results with derivatives; false, with the
// message printed, when the results cannot be shown.
bool ComputeResultsQuietly(TSession& session);

// The document opened as OpenDocumentInMode does, its results computed
// (with the marks' uncertainties when `uncertainties`), and system
// `system` (from 0) checked to exist; null, with the message printed,
// otherwise.  The commands that study one system start so.
std::unique_ptr<TCliSession> OpenResultsOfSystem(const std::string& document,
                                                 const std::string& videoOverride, bool layer,
                                                 int system, bool uncertainties = false);

}  // namespace kinevo::cli
