#pragma once
// Where the program's own files are.  In the build folder they lie beside
// the programs (KvoDll/ for the video plugins, Help/ for the user guide), as
// they do in a folder copied by hand.  Installed, the programs are in
// PREFIX/bin and the files under PREFIX/lib/kinevo and PREFIX/share/kinevo
// (not under share/doc, which minimal systems leave out).
#include <string>

namespace kinevo {

// The folder of the running program (from /proc/self/exe), "" when unknown.
std::string ProgramFolder();

// The plugin folder for a program in `programFolder`: "KvoDll" beside it
// when it exists, else the installed "../lib/kinevo/KvoDll" when that exists,
// else the folder beside the program (whose absence the caller reports).
// Ends with '/'.
std::string PluginFolderFor(const std::string& programFolder);

// A library file of the program (`name`, such as the commands' module of
// kinevo-cli): beside the program when it is there, else the installed
// "../lib/kinevo/NAME".
std::string LibraryFileFor(const std::string& programFolder, const std::string& name);

// The help folder, chosen the same way between "Help" beside the program
// and the installed "../share/kinevo/help".
std::string HelpFolderFor(const std::string& programFolder);

}  // namespace kinevo
