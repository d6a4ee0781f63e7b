#include "formats/branding/icon_files.h"

#include "base/file_util.h"
#include "base/unique_fd.h"
#include "formats/crypto/write_all.h"

namespace orbo {
namespace {

uint32_t Le(std::string_view b, size_t at, size_t n) {
  uint32_t v = 0;
  for (size_t i = 0; i < n; ++i) v |= uint32_t{static_cast<uint8_t>(b[at + i])} << (8 * i);
  return v;
}

constexpr std::string_view kPngSignature("\x89PNG\r\n\x1a\n", 8);

}  // namespace

int64_t WriteIconFile(const std::filesystem::path& path, std::string_view bytes) {
  if (bytes.empty()) return -1;
  std::filesystem::path tmp;
  UniqueFd fd(CreateTempBeside(path, &tmp));
  if (!fd.valid()) return -1;
  const int64_t written = WriteAll(bytes.data(), static_cast<int64_t>(bytes.size()), fd.get());
  if (written != static_cast<int64_t>(bytes.size())) {
    fd.Reset();
    std::error_code ec;
    std::filesystem::remove(tmp, ec);
    return -2;
  }
  return CommitTempFile(fd.Release(), tmp, path) ? written : -2;
}

bool ExtractPngFromIcon(std::string_view ico, std::string* png) {
  if (ico.size() < 6 || Le(ico, 0, 2) != 0 || Le(ico, 2, 2) != 1) return false;
  const size_t count = Le(ico, 4, 2);
  if (ico.size() < 6 + 16 * count) return false;
  size_t best_area = 0;
  std::string_view best;
  for (size_t i = 0; i < count; ++i) {
    const size_t at = 6 + 16 * i;
    const size_t width = Le(ico, at, 1) == 0 ? 256 : Le(ico, at, 1);
    const size_t height = Le(ico, at + 1, 1) == 0 ? 256 : Le(ico, at + 1, 1);
    const size_t size = Le(ico, at + 8, 4);
    const size_t offset = Le(ico, at + 12, 4);
    if (offset > ico.size() || size > ico.size() - offset) return false;
    const std::string_view image = ico.substr(offset, size);
    if (image.substr(0, kPngSignature.size()) != kPngSignature) continue;
    if (width * height > best_area) {
      best_area = width * height;
      best = image;
    }
  }
  if (best.empty()) return false;
  png->assign(best);
  return true;
}

bool PickIconImage(std::string_view ico, size_t max_height, std::string* image) {
  if (ico.size() < 6 || Le(ico, 0, 2) != 0 || Le(ico, 2, 2) != 1) return false;
  const size_t count = Le(ico, 4, 2);
  if (count == 0 || ico.size() < 6 + 16 * count) return false;
  size_t best = count;  // the tallest that fits
  size_t smallest = 0;
  auto height = [&](size_t i) {
    return Le(ico, 6 + 16 * i + 1, 1) == 0 ? 256 : Le(ico, 6 + 16 * i + 1, 1);
  };
  for (size_t i = 0; i < count; ++i) {
    const size_t at = 6 + 16 * i;
    const size_t size = Le(ico, at + 8, 4);
    const size_t offset = Le(ico, at + 12, 4);
    if (offset > ico.size() || size > ico.size() - offset) return false;
    if (height(i) < height(smallest)) smallest = i;
    if (height(i) <= max_height && (best == count || height(i) > height(best))) best = i;
  }
  const size_t pick = best == count ? smallest : best;
  const size_t at = 6 + 16 * pick;
  const std::string_view data = ico.substr(Le(ico, at + 12, 4), Le(ico, at + 8, 4));
  if (data.substr(0, kPngSignature.size()) == kPngSignature) {
    image->assign(data);
    return true;
  }
  // One directory entry (its offset now 22) before the image's bytes.
  std::string one(ico.substr(0, 6));
  one[4] = 1;
  one[5] = 0;
  one.append(ico.substr(at, 12));
  one.append(std::string("\x16\0\0\0", 4));
  one.append(data);
  *image = std::move(one);
  return true;
}

}  // namespace orbo
