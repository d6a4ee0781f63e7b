// Where the tool keeps its files. A build-tree run keeps everything beside
// the executable; an installed tool (executables in PREFIX/lib/orbo, shipped
// files in PREFIX/share/orbo) cannot write there, so it works in a per-user
// folder seeded from the shipped files.
#pragma once

#include <filesystem>
#include <string>

namespace orbo {

// The environment values the choice depends on; empty when unset.
struct UserDirsEnv {
  std::string xdgDataHome;
  std::string home;
};

// XDG_DATA_HOME and HOME of this process.
UserDirsEnv ProcessUserDirsEnv();

// The shipped files of an installed tool whose programs are in exe_dir
// (exe_dir/../../share/orbo), or empty when exe_dir is not in that layout
// (no SoftLang.ini there): a build tree or a hand-made folder.
std::filesystem::path InstalledShareDir(const std::filesystem::path& exe_dir);

// $XDG_DATA_HOME/orbo when XDG_DATA_HOME is an absolute path, else
// $HOME/.local/share/orbo; empty when neither is usable.
std::filesystem::path UserAppDir(const UserDirsEnv& env);

// Copies every file of shipped that user_dir lacks into user_dir (making
// the folders as needed); files already there are never replaced, so the
// user's settings survive a newer package. Each file is copied under a
// temporary name and renamed, so an interrupted start leaves no half file.
// False with *error set when user_dir cannot be made or written; what was
// there is kept.
bool SeedUserAppDir(const std::filesystem::path& shipped, const std::filesystem::path& user_dir,
                    std::string* error);

struct AppDirChoice {
  std::filesystem::path appDir;      // where the tool reads and writes its files
  std::filesystem::path programDir;  // where its programs (orbo-portd, orbo) are
  // The installed layout: the programs are the package's, under the install
  // prefix, and nothing there is ever renamed or written.
  bool installed = false;
  std::string error;  // set when no usable app folder was found
};

// explicit_dir (--app-dir) wins and is used as today: programs and files in
// it. Else an installed tool gets its per-user folder, seeded on the way;
// anything else uses exe_dir for both.
AppDirChoice ChooseAppDir(const std::filesystem::path& exe_dir,
                          const std::filesystem::path& explicit_dir, const UserDirsEnv& env);

}  // namespace orbo
