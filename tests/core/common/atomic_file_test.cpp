// The one way files are written: whole or not at all, through links, in
// place on devices, never over a folder, a protected file or an input.
#include "core/common/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "support/file_size_limit.h"
#include "support/temp_dir.h"

namespace kinevo {
namespace {

namespace fs = std::filesystem;

void Put(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

mode_t Mode(const std::string& path) {
  struct stat st {};
  stat(path.c_str(), &st);
  return st.st_mode;
}

TEST(AtomicFile, ReplacesWholeKeepsModeAndWritesThroughLinks) {
  test::TempDir dir;
  const std::string path = dir.File("mesures.csv");
  ASSERT_TRUE(WriteFileAtomically(path, "neuf"));
  EXPECT_EQ(test::ReadFileBytes(path), "neuf");

  chmod(path.c_str(), 0640);
  ASSERT_TRUE(WriteFileAtomically(path, "deuxième"));
  EXPECT_EQ(test::ReadFileBytes(path), "deuxième");
  EXPECT_EQ(Mode(path) & 0777, 0640u);

  // A link stays a link; its target gets the content, even a target not
  // made yet, through a chain of links.
  fs::create_symlink("mesures.csv", dir.File("lien.csv"));
  fs::create_symlink("lien.csv", dir.File("lien2.csv"));
  fs::create_symlink("plus-tard.csv", dir.File("pendant.csv"));
  ASSERT_TRUE(WriteFileAtomically(dir.File("lien2.csv"), "par le lien"));
  ASSERT_TRUE(WriteFileAtomically(dir.File("pendant.csv"), "créé"));
  EXPECT_TRUE(fs::is_symlink(dir.File("lien.csv")));
  EXPECT_TRUE(fs::is_symlink(dir.File("lien2.csv")));
  EXPECT_TRUE(fs::is_symlink(dir.File("pendant.csv")));
  EXPECT_EQ(test::ReadFileBytes(path), "par le lien");
  EXPECT_EQ(test::ReadFileBytes(dir.File("plus-tard.csv")), "créé");

  // A library writing by name into the temporary file, then the commit.
  auto file = TAtomicFile::Create(path);
  ASSERT_TRUE(file);
  EXPECT_NE(file->WritePath(), path);
  Put(file->WritePath(), "écrit par nom");
  EXPECT_EQ(test::ReadFileBytes(path), "par le lien");
  ASSERT_TRUE(file->Commit());
  EXPECT_EQ(test::ReadFileBytes(path), "écrit par nom");
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"lien.csv", "lien2.csv", "mesures.csv",
                                                   "pendant.csv", "plus-tard.csv"}));
}

TEST(AtomicFile, AFailureOrAnAbandonKeepsTheOldFileAndLeavesNothing) {
  test::TempDir dir;
  const std::string path = dir.File("analyse.kvo");
  Put(path, "ancien");

  // The kernel refuses the write half-way, as on a full disk.
  TStatus full;
  {
    const test::ScopedFileSizeLimit limit(1024);
    full = WriteFileAtomically(path, std::string(4096, 'x'));
  }
  ASSERT_FALSE(full);
  EXPECT_EQ(full.error().reason, "Le fichier « " + path + " » n'a pas pu être enregistré.");
  EXPECT_EQ(full.error().cause, "fichier trop grand pour le support");

  // Abandoned by its producer, by its owner, or dropped without a commit.
  EXPECT_FALSE(WriteFileAtomicallyFrom(path, [](const TPieceWriter& write) {
    write("début");
    return false;
  }));
  {
    auto file = TAtomicFile::Create(path);
    ASSERT_TRUE(file);
    ASSERT_TRUE(file->Write("jamais fini"));
  }
  auto file = TAtomicFile::Create(path);
  ASSERT_TRUE(file);
  file->Abandon();
  EXPECT_FALSE(file->Commit());

  const TStatus noFolder = WriteFileAtomically(dir.File("absent/a.kvo"), "x");
  ASSERT_FALSE(noFolder);
  EXPECT_EQ(noFolder.error().cause, "le dossier « " + dir.File("absent") + " » n'existe pas");

  EXPECT_EQ(test::ReadFileBytes(path), "ancien");
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"analyse.kvo"});
}

TEST(AtomicFile, FoldersProtectedFilesAndInputsAreRefusedDevicesWrittenInPlace) {
  test::TempDir dir;
  const std::string video = dir.File("chute.avi");
  Put(video, "RIFF");
  fs::create_directory(dir.File("dossier"));
  fs::create_symlink("chute.avi", dir.File("lien.avi"));
  fs::create_hard_link(video, dir.File("dur.avi"));
  const std::string protectedFile = dir.File("protégé.txt");
  Put(protectedFile, "garder");
  chmod(protectedFile.c_str(), 0444);

  EXPECT_TRUE(CheckOutputFile(dir.File("nouveau.kvo"), {video}));
  EXPECT_TRUE(CheckOutputFile("/dev/null", {video}));
  for (const std::string& same :
       {video, dir.File("lien.avi"), dir.File("dur.avi"), dir.File("dossier/../chute.avi")}) {
    const TStatus refused = CheckOutputFile(same, {"", video});
    ASSERT_FALSE(refused) << same;
    EXPECT_EQ(
        refused.error().reason,
        "Le fichier « " + same + " » est lu par cette opération : il ne peut pas être remplacé.");
  }
  const TStatus folder = CheckOutputFile(dir.File("dossier"));
  ASSERT_FALSE(folder);
  EXPECT_EQ(folder.error().cause, "c'est un dossier");
  // Refused even to the superuser, who passes every permission check.
  for (const TStatus& refused :
       {CheckOutputFile(protectedFile), WriteFileAtomically(protectedFile, "perdu")}) {
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().cause, "le fichier existant est protégé en écriture");
  }
  EXPECT_FALSE(WriteFileAtomically(dir.File("dossier"), "x"));
  EXPECT_EQ(test::ReadFileBytes(protectedFile), "garder");
  EXPECT_TRUE(fs::is_directory(dir.File("dossier")));

  // Devices are written, not replaced; a full one says so.
  ASSERT_TRUE(WriteFileAtomically("/dev/null", "rien"));
  EXPECT_TRUE(S_ISCHR(Mode("/dev/null")));
  if (fs::exists("/dev/full")) {
    const TStatus full = WriteFileAtomically("/dev/full", "trop");
    ASSERT_FALSE(full);
    EXPECT_EQ(full.error().cause, "disque plein");
    EXPECT_TRUE(S_ISCHR(Mode("/dev/full")));
  }
  // A pipe nobody reads fails at once instead of waiting.
  const std::string pipe = dir.File("tube");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  const TStatus unread = WriteFileAtomically(pipe, "x");
  ASSERT_FALSE(unread);
  EXPECT_EQ(unread.error().cause, "aucun programme ne lit à l'autre bout");
}

}  // namespace
}  // namespace kinevo
