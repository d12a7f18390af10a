#include "core/document/file_association.h"

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace kinevo {

namespace {

bool IsExecutableFile(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
         access(path.c_str(), X_OK) == 0;
}

}  // namespace

bool ApplyAssociationChoice(IFileAssociation& association, bool wanted,
                            const std::string& programPath, TUserDlg& dialog) {
  const bool present = association.IsAssociated();
  TStatus done;
  if (wanted && !present) {
    if (!IsExecutableFile(programPath)) return true;  // nothing to associate with
    done = association.Associate(programPath);
  } else if (!wanted && present) {
    done = association.Dissociate();
  }
  if (!done) {
    std::vector<std::string> lines = {
        done.error().reason, "",
        "Vérifier les droits d'écriture dans le dossier personnel de l'utilisateur."};
    if (!done.error().cause.empty()) lines.push_back("Détail : " + done.error().cause);
    dialog.Show(icWarning, {{"Ok", btOk}}, lines);
  }
  return done.ok();
}

}  // namespace kinevo
