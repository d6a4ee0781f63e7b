// FirmwareCheck: compares the box's components with the shipped ones and
// sends the updates the user accepts.
#include "base/codepage.h"
#include "base/utf.h"
#include "ops/transfer/firmware_update.h"
#include "ops/transfer/transfer_ops.h"
#include "settings/message_keys.h"

namespace orbo {
namespace {

constexpr std::string_view kPackagedKey = "version";
constexpr std::string_view kFlashKey = "fsFLASHVER:";
constexpr std::string_view kSystemKey = "OSVER:";
// A file system line that is always offered the shipped version.
constexpr std::string_view kFactoryFlashLine = "fsFLASHVER:V1.0.0-P:FS";

// The line of the list that holds key (found without regard to ASCII
// case): from the match up to the next CR or LF, at most 255 characters.
// False when the key is not in the list.
bool FindVersionLine(std::string_view list, std::string_view list_lower, std::string_view key,
                     std::string* line) {
  const size_t at = list_lower.find(ToAsciiLower(key));
  if (at == std::string_view::npos) return false;
  std::string_view rest = list.substr(at);
  rest = rest.substr(0, rest.find_first_of("\r\n"));
  *line = std::string(rest.substr(0, kMaxVersionLine));
  return true;
}

}  // namespace

UpdatePlan PlanUpdates(std::string_view version_list, std::string_view kernel_family,
                       std::string_view detect_new_firmware,
                       std::vector<ComponentRecord>* records) {
  UpdatePlan plan;
  const std::string list_lower = ToAsciiLower(version_list);
  for (ComponentRecord& r : *records) {
    // An empty slot has no key, and an empty key would match any list.
    if (r.empty()) continue;
    std::string line;
    bool marked = false;
    if (FindVersionLine(version_list, list_lower, r.versionKey, &line)) {
      if (line == kFactoryFlashLine) {
        marked = true;
      } else if (!line.empty()) {
        const std::string_view installed =
            std::string_view(line).substr(std::min(r.versionKey.size(), line.size()));
        marked = IsNewer(r.newVersion, installed);
      }
    } else if (r.versionKey == kPackagedKey) {
      // A box without a packaged version takes every component packaged.
      line = "version " + std::string(kernel_family) + "-V1.0.0.00000000";
      plan.packaged = true;
      marked = true;
    } else if (r.versionKey == kFlashKey) {
      line = "fsFLASHVER:V1.0.0";
      marked = true;
    }
    if (!marked) continue;
    r.needsUpdate = true;
    plan.question += line + " " + std::string(detect_new_firmware) + " " + r.newVersion + "\n";
  }
  return plan;
}

bool FirmwareCheck(OpsContext& ctx) {
  const PageScripts& page = ctx.scripts;
  page.ShowKey(keys::kDetectFireware);
  std::string list;
  if (!ReadVersionList(ctx.link, &list)) {
    page.ShowKey(keys::kDetectFirewareFailed);
    return false;
  }
  std::vector<ComponentRecord> records;
  const std::string type_reply = Codepage::ToUtf8Lossy(ctx.typeReply.Text());
  if (!LoadCatalogue(ctx.appDir, type_reply, &records, &ctx.kernelFamily)) {
    page.ShowKey(keys::kDetectSoftFirewareFailed);
    return false;
  }
  const UpdatePlan plan =
      PlanUpdates(list, ctx.kernelFamily, page.LookupText(keys::kDetectNewFirmware), &records);
  if (plan.question.empty()) {
    page.ShowKey(keys::kIsUpToDate);
    return true;
  }
  const std::string caption = page.LookupText(keys::kAlertTitle);
  // The version lines are box text: shown with control characters and
  // stray bytes visible, so they cannot blank or garble the dialog.
  const std::string question =
      VisibleText(plan.question, true) + "\n" + page.LookupText(keys::kIsUpdateFirmware);
  if (!ctx.prompts.AskYesNo(caption, question)) return true;

  bool result = true;
  for (const ComponentRecord& r : records) {
    if (!r.needsUpdate) continue;
    ctx.prompts.Message(caption, page.LookupText(keys::kUpdateNote));
    const std::filesystem::path image = ctx.appDir / "update" / r.imageName;
    page.ShowLog(page.LookupText(keys::kDownloadFile) + r.boxFileName);
    const std::string box_name = r.versionKey == kSystemKey ? "update" : r.boxFileName;
    result = PrepareAndSend(ctx, image, box_name, r.digest, plan.packaged);
    if (!result) break;
  }
  return result;
}

}  // namespace orbo
