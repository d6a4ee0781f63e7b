#include "ops/transfer/firmware_package.h"

#include <minizip/zip.h>

#include <ctime>
#include <fstream>
#include <memory>
#include <vector>

#include "base/file_util.h"
#include "base/logger.h"

namespace orbo {
namespace {

constexpr char kEntryName[] = "image";
constexpr size_t kChunk = 64 * 1024;

// Closes the archive on every way out; Close() reports the final write.
class ZipWriter {
 public:
  explicit ZipWriter(const std::filesystem::path& path)
      : zip_(zipOpen64(path.c_str(), APPEND_STATUS_ADDINZIP)) {}
  ~ZipWriter() {
    if (entry_open_) zipCloseFileInZip(zip_);
    if (zip_) zipClose(zip_, nullptr);
  }
  ZipWriter(const ZipWriter&) = delete;
  ZipWriter& operator=(const ZipWriter&) = delete;

  bool ok() const { return zip_ != nullptr; }
  bool OpenEntry(const char* name, uint64_t size) {
    zip_fileinfo info{};
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    info.tmz_date.tm_sec = static_cast<uInt>(local.tm_sec);
    info.tmz_date.tm_min = static_cast<uInt>(local.tm_min);
    info.tmz_date.tm_hour = static_cast<uInt>(local.tm_hour);
    info.tmz_date.tm_mday = static_cast<uInt>(local.tm_mday);
    info.tmz_date.tm_mon = static_cast<uInt>(local.tm_mon);
    info.tmz_date.tm_year = static_cast<uInt>(local.tm_year + 1900);
    const int zip64 = size >= 0xFFFFFFFFull ? 1 : 0;
    entry_open_ = zipOpenNewFileInZip64(zip_, name, &info, nullptr, 0, nullptr, 0, nullptr,
                                        Z_DEFLATED, Z_DEFAULT_COMPRESSION, zip64) == ZIP_OK;
    return entry_open_;
  }
  bool Write(const char* data, size_t length) {
    return zipWriteInFileInZip(zip_, data, static_cast<unsigned>(length)) == ZIP_OK;
  }
  bool CloseEntry() {
    entry_open_ = false;
    return zipCloseFileInZip(zip_) == ZIP_OK;
  }
  bool Close() {
    zipFile z = zip_;
    zip_ = nullptr;
    return zipClose(z, nullptr) == ZIP_OK;
  }

 private:
  zipFile zip_;
  bool entry_open_ = false;
};

}  // namespace

bool BuildFirmwarePackage(const std::filesystem::path& template_zip,
                          const std::filesystem::path& plain,
                          const std::filesystem::path& package) {
  std::string templ;
  if (!ReadFileBytes(template_zip, &templ)) {
    ORBO_LOG_WARN("package template %s cannot be read", template_zip.c_str());
    return false;
  }
  {
    std::ofstream out(package, std::ios::binary | std::ios::trunc);
    out.write(templ.data(), static_cast<std::streamsize>(templ.size()));
    if (!out.flush()) return false;
  }
  std::ifstream in(plain, std::ios::binary);
  std::error_code ec;
  const uint64_t size = std::filesystem::file_size(plain, ec);
  if (!in || ec) return false;

  ZipWriter zip(package);
  if (!zip.ok()) {
    ORBO_LOG_WARN("package template %s is not a zip archive", template_zip.c_str());
    return false;
  }
  if (!zip.OpenEntry(kEntryName, size)) return false;
  std::vector<char> chunk(kChunk);
  while (in) {
    in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    const size_t got = static_cast<size_t>(in.gcount());
    if (got > 0 && !zip.Write(chunk.data(), got)) return false;
  }
  if (in.bad()) return false;
  return zip.CloseEntry() && zip.Close();
}

}  // namespace orbo
