// Display names of box models from a package's "device.info".
#pragma once

#include <filesystem>
#include <string_view>

namespace orbo {

// device.info is a JSON array of objects with string members "oriValue" and
// "cusModel" (text in the ANSI code page). For each element in order, every
// "box" under "BOXSet" in app_dir/BOXType.hmi whose "Type" equals oriValue
// gets "Display" = cusModel; the file is then saved. Nothing is written when
// the JSON is no array, the array is empty, or the box model file cannot be
// loaded (so an unreadable file is never emptied). True when it was saved.
bool ApplyDeviceNames(std::string_view device_info, const std::filesystem::path& app_dir);

}  // namespace orbo
