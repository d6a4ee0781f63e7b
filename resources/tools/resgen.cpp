// orbo-resgen: build-time helper that makes the generated shipped files.
//   orbo-resgen crypt IN OUT            encrypt (or decrypt) a component image
//   orbo-resgen base64 IN OUT           IN as one line of Base64 ("=" padding,
//                                       no line break), a leading UTF-8
//                                       byte-order mark dropped
//   orbo-resgen zip OUT NAME=FILE...    write a new zip archive with these entries
// Zip entries carry a fixed date so the same sources give the same bytes.
#include <minizip/zip.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "base/base64.h"
#include "base/file_util.h"
#include "formats/lists/firmware_image.h"

namespace {

int Fail(const std::string& message) {
  std::fprintf(stderr, "orbo-resgen: %s\n", message.c_str());
  return 1;
}

int Crypt(const std::string& in, const std::string& out) {
  const int result = orbo::CryptImageFile(in, out);
  return result == 0 ? 0 : Fail(orbo::CryptImageFileError(result, in, out));
}

// A string table must start with its first line, so a byte-order mark of
// the source is not encoded.
int Base64(const std::string& in, const std::string& out) {
  std::string bytes;
  if (!orbo::ReadFileBytes(in, &bytes)) return Fail("cannot read " + in);
  std::string_view text = bytes;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  return orbo::WriteFileAtomic(out, orbo::Base64Encode(text)) ? 0 : Fail("cannot write " + out);
}

int Zip(const std::string& out, const std::vector<std::string>& entries) {
  // Written beside the target and renamed, so a failed run leaves no
  // archive that looks finished.
  const std::string tmp = out + ".partial";
  zipFile z = zipOpen64(tmp.c_str(), APPEND_STATUS_CREATE);
  if (!z) return Fail("cannot create " + tmp);
  bool ok = true;
  for (const std::string& entry : entries) {
    const size_t eq = entry.find('=');
    std::string bytes;
    if (eq == std::string::npos || eq == 0 || !orbo::ReadFileBytes(entry.substr(eq + 1), &bytes)) {
      ok = false;
      Fail("bad entry (NAME=FILE with a readable FILE): " + entry);
      break;
    }
    zip_fileinfo info{};
    info.tmz_date = {0, 0, 12, 1, 0, 2025};  // 2025-01-01 12:00:00
    const std::string name = entry.substr(0, eq);
    ok = zipOpenNewFileInZip64(z, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                               Z_BEST_COMPRESSION, 0) == ZIP_OK &&
         zipWriteInFileInZip(z, bytes.data(), static_cast<unsigned>(bytes.size())) == ZIP_OK &&
         zipCloseFileInZip(z) == ZIP_OK;
    if (!ok) {
      Fail("cannot add " + name + " to " + tmp);
      break;
    }
  }
  if (zipClose(z, nullptr) != ZIP_OK) ok = false;
  if (!ok || std::rename(tmp.c_str(), out.c_str()) != 0) {
    std::remove(tmp.c_str());
    return ok ? Fail("cannot write " + out) : 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 3 && args[0] == "crypt") return Crypt(args[1], args[2]);
  if (args.size() == 3 && args[0] == "base64") return Base64(args[1], args[2]);
  if (args.size() >= 2 && args[0] == "zip") {
    return Zip(args[1], std::vector<std::string>(args.begin() + 2, args.end()));
  }
  return Fail("usage: orbo-resgen crypt IN OUT | base64 IN OUT | zip OUT NAME=FILE...");
}
