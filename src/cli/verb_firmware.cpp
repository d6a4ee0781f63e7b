// orbo-cli firmware encrypt|decrypt IN OUT: a firmware component image
// between its plain form and the encrypted form shipped in "update". Prints
// the plain image's MD5, the value the update catalogue needs.
#include <cstdio>
#include <string>

#include "cli/verb.h"
#include "formats/crypto/digest.h"
#include "formats/lists/firmware_image.h"

namespace orbo::cli {
namespace {

constexpr char kUsage[] = "usage: orbo-cli firmware encrypt|decrypt IN OUT";

int FirmwareVerb(const Args& args) {
  if (args.size() != 3 || (args[0] != "encrypt" && args[0] != "decrypt")) return UsageError(kUsage);
  const std::string& in = args[1];
  const std::string& out = args[2];
  const int result = CryptImageFile(in, out);
  if (result != 0) return Fail(CryptImageFileError(result, in, out));
  const std::string& plain = args[0] == "encrypt" ? in : out;
  std::string md5;
  if (Md5FileHex(plain, &md5) != 0) return Fail("cannot compute the MD5 of " + plain);
  std::printf("%s  %s (plain image MD5)\n", md5.c_str(), plain.c_str());
  return 0;
}

}  // namespace

ORBO_CLI_VERB("firmware",
              "firmware encrypt|decrypt IN OUT  convert a firmware component image; prints the "
              "plain image's MD5",
              FirmwareVerb);

}  // namespace orbo::cli
