// PrepareAndSend: one firmware component from its shipped encrypted image to
// the box.
#include <cstdio>
#include <memory>

#include "base/logger.h"
#include "base/utf.h"
#include "formats/crypto/digest.h"
#include "formats/lists/firmware_image.h"
#include "ops/transfer/firmware_package.h"
#include "ops/transfer/firmware_update.h"
#include "ops/transfer/temp_file.h"
#include "ops/transfer/transfer_log.h"
#include "settings/message_keys.h"

namespace orbo {
namespace {

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

struct PackageKind {
  const char* packageName;   // local name of the package in "update/"
  const char* templateName;  // the zip it is built from
};

// Chosen by the image's file name: "imageARM9...", "imageA7..." or any
// other.
PackageKind ChoosePackage(const std::filesystem::path& image_path) {
  const std::string name = image_path.filename().string();
  if (name.find("imageARM9") != std::string::npos) return {"fsFLASHARM9", "updateARM9"};
  if (name.find("imageA7") != std::string::npos) return {"fsFLASHA7", "updateA7"};
  return {"fsFLASH", "update"};
}

// The plain image's name: the image's without its last four characters
// (its extension). The decrypted bytes go to a temporary file beside that
// name, never to the name itself, so no shipped file can be overwritten.
std::filesystem::path PlainPath(const std::filesystem::path& image_path) {
  const std::string text = image_path.string();
  const std::string name = image_path.filename().string();
  if (name.size() <= 4) return image_path;
  return text.substr(0, text.size() - 4);
}

bool SendPath(OpsContext& ctx, const std::filesystem::path& path, std::string_view box_name,
              std::string_view digest) {
  FilePtr file(std::fopen(path.c_str(), "rbe"), std::fclose);
  // SendFileLogged shows download_failed for a file that is not open.
  return SendFileLogged(ctx.link, box_name, file.get(), digest, ctx.scripts,
                        /*always_progress=*/true);
}

}  // namespace

bool PrepareAndSend(OpsContext& ctx, const std::filesystem::path& image_path,
                    std::string_view box_name, std::string_view digest, bool packaged) {
  const PageScripts& page = ctx.scripts;
  // A decrypted image or package of an earlier run that ended abruptly.
  const std::filesystem::path update_dir = ctx.appDir / "update";
  RemoveStaleTempFiles(update_dir);
  if (image_path.parent_path() != update_dir) RemoveStaleTempFiles(image_path.parent_path());
  {
    FilePtr probe(std::fopen(image_path.c_str(), "rbe"), std::fclose);
    if (!probe) {
      page.ShowKey(keys::kOpenSrcFileFailed);
      return false;
    }
  }
  TempFile plain(PlainPath(image_path));
  if (!plain.valid()) {
    page.ShowKey(keys::kCryptFileFailed);
    return false;
  }
  const int crypt = CryptImageToFd(image_path, plain.fd());
  if (!plain.CloseFd() || crypt != 0) {
    page.ShowKey(crypt == -1 ? keys::kOpenSrcFileFailed : keys::kCryptFileFailed);
    return false;
  }

  std::string plain_digest;
  if (Md5FileHex(plain.path(), &plain_digest) != 0 ||
      !EqualsIgnoreAsciiCase(plain_digest, digest)) {
    ORBO_LOG_WARN("%s decrypts to MD5 %s, the catalogue says %.*s", image_path.c_str(),
                  plain_digest.c_str(), static_cast<int>(digest.size()), digest.data());
    page.ShowKey(keys::kMd5Error);
    return false;
  }
  if (!packaged) return SendPath(ctx, plain.path(), box_name, plain_digest);

  const PackageKind kind = ChoosePackage(image_path);
  TempFile package(update_dir / kind.packageName);
  std::string package_digest;
  if (!package.valid() || !package.CloseFd() ||
      !BuildFirmwarePackage(update_dir / kind.templateName, plain.path(), package.path()) ||
      Md5FileHex(package.path(), &package_digest) != 0) {
    ORBO_LOG_WARN("the firmware package %s could not be built", kind.packageName);
    page.ShowKey(keys::kDownloadFailed);
    return false;
  }
  return SendPath(ctx, package.path(), "fsFLASH", package_digest);
}

}  // namespace orbo
