#include "platform/desktop/freedesktop_association.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "core/common/atomic_file.h"
#include "core/common/ini_file.h"
#include "core/common/text_utils.h"

extern char** environ;

namespace kinevo {

namespace {

std::string EnvFolder(const char* var, const char* fallbackUnderHome) {
  const char* v = std::getenv(var);
  if (v && v[0] == '/') return v;
  const char* home = std::getenv("HOME");
  if (!home || home[0] != '/') return {};
  return std::string(home) + "/" + fallbackUnderHome;
}

// Every failure of the association has the same reason; the cause says
// which step failed.
constexpr const char* kAssociationFailure =
    "Erreur d'écriture de l'association des fichiers « .kvo ».";

TError AssociationFailure(std::string cause) { return Fail(kAssociationFailure, std::move(cause)); }

TStatus RemoveFile(const std::string& path) {
  if (unlink(path.c_str()) == 0 || errno == ENOENT) return {};
  return AssociationFailure(path + " : " + FileErrorReason(errno));
}

// A freedesktop tool that ran and failed; one that is not installed (127) is
// not a failure, the files alone are then what the desktop reads.
TStatus CheckTool(const char* tool, int rc) {
  if (rc == 0 || rc == 127) return {};
  return AssociationFailure(std::string(tool) + " a échoué (code " + std::to_string(rc) + ")");
}

TStatus NeedFolder(const std::string& folder) {
  if (MakeFolders(folder)) return {};
  return AssociationFailure("le dossier " + folder + " n'a pas pu être créé");
}

// The first handler listed for the type in a mimeapps.list section.
std::string FirstHandler(const TIniFile& ini, const char* section) {
  std::string v = ini.ReadString(section, TFreedesktopAssociation::kMimeType, "");
  const auto semi = v.find(';');
  if (semi != std::string::npos) v.resize(semi);
  return v;
}

}  // namespace

TFreedesktopAssociation::TFreedesktopAssociation()
    : TFreedesktopAssociation(EnvFolder("XDG_DATA_HOME", ".local/share"),
                              EnvFolder("XDG_CONFIG_HOME", ".config")) {}

TFreedesktopAssociation::TFreedesktopAssociation(std::string dataHome, std::string configHome)
    : dataHome_(std::move(dataHome)), configHome_(std::move(configHome)), runner_(&RunProgram) {}

std::string TFreedesktopAssociation::DesktopFilePath() const {
  return dataHome_ + "/applications/" + kDesktopId;
}
std::string TFreedesktopAssociation::MimePackagePath() const {
  return dataHome_ + "/mime/packages/kinevo-kvo.xml";
}
std::string TFreedesktopAssociation::MimeAppsListPath() const {
  return configHome_ + "/mimeapps.list";
}

std::string TFreedesktopAssociation::DesktopEntryText(const std::string& programPath) {
  // Exec argument: quoted, with ", `, $ and \ escaped inside the quotes;
  // then, as for every string value of the file, each \ doubled; a literal
  // % is written %%.
  std::string quoted = "\"";
  for (char c : programPath) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c;
  }
  quoted += '"';
  std::string exec;
  for (char c : quoted) {
    if (c == '\\')
      exec += "\\\\";
    else if (c == '%')
      exec += "%%";
    else
      exec += c;
  }
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Kinevo\n"
         "GenericName=Étude du mouvement sur vidéo\n"
         "Comment=Étudier le mouvement d'objets filmés\n"
         "Exec=" +
         exec +
         " %f\n"
         "Icon=kinevo\n"
         "Terminal=false\n"
         "Categories=Education;Science;Physics;\n"
         "MimeType=" +
         std::string(kMimeType) + ";\n";
}

std::string TFreedesktopAssociation::MimePackageText() {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
         "  <mime-type type=\"" +
         std::string(kMimeType) +
         "\">\n"
         "    <comment>Kinevo document</comment>\n"
         "    <comment xml:lang=\"fr\">Document Kinevo</comment>\n"
         "    <glob pattern=\"*.kvo\"/>\n"
         "  </mime-type>\n"
         "</mime-info>\n";
}

int TFreedesktopAssociation::RunProgram(const std::vector<std::string>& argv) {
  if (argv.empty()) return 127;
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, args[0], &fa, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  if (rc != 0) return 127;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return 127;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

bool TFreedesktopAssociation::IsAssociated() const {
  if (dataHome_.empty() || configHome_.empty()) return false;
  const TResult<std::string> desktop = ReadWholeFile(DesktopFilePath());
  const TResult<std::string> mime = ReadWholeFile(MimePackagePath());
  if (!desktop || !mime) return false;
  if (desktop->find(std::string("MimeType=") + kMimeType) == std::string::npos) return false;
  if (mime->find("*.kvo") == std::string::npos) return false;
  TIniFile apps(MimeAppsListPath());
  return FirstHandler(apps, "Default Applications") == kDesktopId;
}

TStatus TFreedesktopAssociation::Associate(const std::string& programPath) {
  if (dataHome_.empty() || configHome_.empty())
    return AssociationFailure("dossier personnel de l'utilisateur inconnu (HOME)");
  if (programPath.find('\n') != std::string::npos || programPath.find('\r') != std::string::npos)
    return AssociationFailure("le chemin du programme contient un saut de ligne");
  for (const auto& file : {DesktopFilePath(), MimePackagePath()})
    if (TStatus made = NeedFolder(FolderOf(file)); !made) return made;
  for (const auto& [file, text] : {std::pair{MimePackagePath(), MimePackageText()},
                                   std::pair{DesktopFilePath(), DesktopEntryText(programPath)}})
    if (TStatus written = WriteFileAtomically(file, text); !written)
      return written.error().Within(kAssociationFailure);

  // Rebuild the user's type database; a system without the tool still gets
  // the files, which the desktop reads at its next update.
  const char* mimeTool = "update-mime-database";
  if (TStatus ran = CheckTool(mimeTool, runner_({mimeTool, dataHome_ + "/mime"})); !ran) return ran;
  runner_({"update-desktop-database", dataHome_ + "/applications"});

  const int rc = runner_({"xdg-mime", "default", kDesktopId, kMimeType});
  if (rc == 0 && IsAssociated()) return {};
  if (TStatus ran = CheckTool("xdg-mime", rc); !ran) return ran;
  // Without xdg-mime (or when it wrote elsewhere), set the default in the
  // user's mimeapps.list, as the freedesktop rules describe.
  if (TStatus made = NeedFolder(configHome_); !made) return made;
  TIniFile apps(MimeAppsListPath());
  if (!apps.ReadStatus()) return apps.ReadStatus().error().Within(kAssociationFailure);
  apps.WriteString("Default Applications", kMimeType, kDesktopId);
  const std::string added = apps.ReadString("Added Associations", kMimeType, "");
  if (added.find(kDesktopId) == std::string::npos)
    apps.WriteString("Added Associations", kMimeType, std::string(kDesktopId) + ";" + added);
  if (const TStatus written = apps.UpdateFile(); !written)
    return written.error().Within(kAssociationFailure);
  return {};
}

TStatus TFreedesktopAssociation::Dissociate() {
  if (dataHome_.empty() || configHome_.empty())
    return AssociationFailure("dossier personnel de l'utilisateur inconnu (HOME)");
  if (TStatus removed = RemoveFile(MimePackagePath()); !removed) return removed;
  if (TStatus removed = RemoveFile(DesktopFilePath()); !removed) return removed;
  const char* mimeTool = "update-mime-database";
  if (TStatus ran = CheckTool(mimeTool, runner_({mimeTool, dataHome_ + "/mime"})); !ran) return ran;
  runner_({"update-desktop-database", dataHome_ + "/applications"});
  struct stat st {};
  if (stat(MimeAppsListPath().c_str(), &st) == 0) {
    TIniFile apps(MimeAppsListPath());
    if (FirstHandler(apps, "Default Applications") == kDesktopId)
      apps.DeleteKey("Default Applications", kMimeType);
    if (apps.ValueExists("Added Associations", kMimeType)) {
      // Keep the other handlers the user listed for the type.
      std::string rest, list = apps.ReadString("Added Associations", kMimeType, "");
      size_t pos = 0;
      while (pos <= list.size()) {
        auto semi = list.find(';', pos);
        if (semi == std::string::npos) semi = list.size();
        const std::string item = list.substr(pos, semi - pos);
        if (!item.empty() && item != kDesktopId) rest += item + ";";
        pos = semi + 1;
      }
      if (rest.empty())
        apps.DeleteKey("Added Associations", kMimeType);
      else
        apps.WriteString("Added Associations", kMimeType, rest);
    }
    if (const TStatus written = apps.Modified() ? apps.UpdateFile() : TStatus(); !written)
      return written.error().Within(kAssociationFailure);
  }
  return {};
}

}  // namespace kinevo
