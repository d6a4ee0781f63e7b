// Folders only this user may change: the web engine's cache, and the lock
// and socket folders where no runtime folder is given (they may then lie in
// a shared temporary folder, where another user can make the name first).
#pragma once

#include <filesystem>
#include <string>

namespace orbo {

// Makes dir (its parents as needed; dir itself with mode 0700) and checks
// it with lstat: a real folder, not a link, owned by this user and not
// writable by group or others. True when it may be used; else false with a
// clear *error naming the folder and what is wrong (nothing is changed in
// a folder that fails).
bool EnsurePrivateDir(const std::filesystem::path& dir, std::string* error);

// $XDG_CACHE_HOME/orbo when XDG_CACHE_HOME is absolute, else
// $HOME/.cache/orbo; empty when neither is usable.
std::filesystem::path UserCacheDir();

}  // namespace orbo
