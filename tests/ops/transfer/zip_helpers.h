// Small zip archives for package tests: writing templates and reading
// entries back.
#pragma once

#include <minizip/unzip.h>
#include <minizip/zip.h>

#include <filesystem>
#include <map>
#include <string>

namespace orbo::test {

// Writes a new archive holding the given entries (name -> bytes).
inline bool MakeZip(const std::filesystem::path& path,
                    const std::map<std::string, std::string>& entries) {
  zipFile z = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
  if (!z) return false;
  bool ok = true;
  for (const auto& [name, bytes] : entries) {
    zip_fileinfo info{};
    ok = ok && zipOpenNewFileInZip64(z, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                     Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0) == ZIP_OK;
    ok = ok && zipWriteInFileInZip(z, bytes.data(), static_cast<unsigned>(bytes.size())) == ZIP_OK;
    ok = ok && zipCloseFileInZip(z) == ZIP_OK;
  }
  return zipClose(z, nullptr) == ZIP_OK && ok;
}

// Every entry of the archive (name -> bytes); empty when it is no archive.
inline std::map<std::string, std::string> ReadZip(const std::filesystem::path& path) {
  std::map<std::string, std::string> entries;
  unzFile u = unzOpen64(path.c_str());
  if (!u) return entries;
  for (int rc = unzGoToFirstFile(u); rc == UNZ_OK; rc = unzGoToNextFile(u)) {
    char name[512];
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(u, &info, name, sizeof(name), nullptr, 0, nullptr, 0) != UNZ_OK)
      break;
    if (unzOpenCurrentFile(u) != UNZ_OK) break;
    std::string bytes(static_cast<size_t>(info.uncompressed_size), '\0');
    const int got = bytes.empty() ? 0 : unzReadCurrentFile(u, bytes.data(), bytes.size());
    unzCloseCurrentFile(u);
    if (got != static_cast<int>(bytes.size())) break;
    entries[name] = bytes;
  }
  unzClose(u);
  return entries;
}

}  // namespace orbo::test
