// The steps of the firmware check that runs before every send and every
// stop-and-reboot: the box's version list, the shipped catalogue, version
// comparison, and decrypting, verifying and sending one component image.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "link/box_link.h"
#include "ops/context/ops_context.h"

namespace orbo {

// The box's version list is read into this many bytes at most.
inline constexpr size_t kVersionListSize = 4096;
// Component records per box model; catalogue elements beyond are ignored.
inline constexpr size_t kMaxComponents = 20;
// Longest version line taken from the list.
inline constexpr size_t kMaxVersionLine = 255;

// One firmware component of the update catalogue ("Up.ibl").
struct ComponentRecord {
  std::string imageName;    // "ImgName": the encrypted image in "update/"
  std::string boxFileName;  // "DownName": the name the box stores it under
  std::string versionKey;   // "VerName": the label of its line in the version list
  std::string newVersion;   // "Ver"
  std::string digest;       // "Md5": MD5 hex of the decrypted image
  bool needsUpdate = false;

  // A slot of the other kernel family: never checked, never sent.
  bool empty() const { return versionKey.empty(); }
};

// Sends "GetAllVersion\r" and reads the 4-digit length text and the list.
// The list never exceeds 4096 bytes whatever the length text says; a length
// text that is not a positive decimal number reads no list. *list gets the
// bytes up to the first zero byte. True when a list arrived that is not
// empty and does not start with "ERROR\r".
bool ReadVersionList(BoxLink& link, std::string* list);

// Reads "BOXType.hmi" and "Up.ibl" from app_dir. The box model is the first
// "box" whose "Type" starts type_reply (the box's "GetHMIType\r" reply, in
// UTF-8); its "Kernel" goes to *kernel_family. Every "element" of the first
// "ORBOType" with the model's "SerialNo" takes one record; elements of
// another kernel family leave theirs empty. True when at least one record
// was taken. False (records empty) when a file is missing or not well
// formed, or no model or catalogue entry fits; *kernel_family changes only
// when a model fits.
bool LoadCatalogue(const std::filesystem::path& app_dir, std::string_view type_reply,
                   std::vector<ComponentRecord>* records, std::string* kernel_family);

// True when the shipped version new_version is newer than current: product
// tags (after "-P:", up to a space) must not differ when both are present;
// then up to ten numbers of each are compared from the first on.
bool IsNewer(std::string_view new_version, std::string_view current);

// What the comparison of the catalogue with the version list found.
struct UpdatePlan {
  std::string question;   // one "<line> <detect_new_firmware> <version>\n" per marked record
  bool packaged = false;  // send every accepted component as a package
};

// Marks the records that need an update (needsUpdate) and composes the
// question lines. detect_new_firmware is the localised text of that key.
UpdatePlan PlanUpdates(std::string_view version_list, std::string_view kernel_family,
                       std::string_view detect_new_firmware, std::vector<ComponentRecord>* records);

// Decrypts image_path into a temporary file in its folder, checks its MD5
// against digest and sends it as box_name, or (packaged) as "fsFLASH"
// inside a copy of the matching "update/update*" template. Every temporary
// file is gone when it returns. Shows open_src_file_failed,
// crypt_file_failed or md5_error on those failures (returning false before
// anything is sent) and the keys of the file transfer. True when the box
// confirmed the transfer.
bool PrepareAndSend(OpsContext& ctx, const std::filesystem::path& image_path,
                    std::string_view box_name, std::string_view digest, bool packaged);

}  // namespace orbo
