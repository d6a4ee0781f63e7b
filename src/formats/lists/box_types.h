// The box model file "BOXType.hmi": one line of Base64 text whose bytes are
// the UTF-8 text of an XML document (root "BOXSet", one "box" per model with
// "Type", "Display", "SerialNo" and "Kernel").
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace orbo {

class XmlDoc;

inline constexpr char kBoxTypesFileName[] = "BOXType.hmi";

// The document text stored in file bytes: Base64-decoded up to the first
// "=" or character outside the alphabet (a line break ends it too), a
// leading byte-order mark dropped, bytes that are not UTF-8 replaced by
// U+FFFD.
std::string DecodeBoxTypesText(std::string_view stored);
// The stored form of a UTF-8 document text: Base64, "=" padding, one line.
std::string EncodeBoxTypesText(std::string_view text);

// Reads file into doc. 0 loaded; -1 the file is missing or unreadable, or
// its text is no well-formed document (doc then holds what could be
// parsed).
int LoadBoxTypesFile(const std::filesystem::path& file, XmlDoc* doc);
// Writes doc's text in the stored form, replacing file atomically. False
// when the file cannot be written (it is then left as it was).
bool SaveBoxTypesFile(const std::filesystem::path& file, const XmlDoc& doc);

// The same for app_dir/BOXType.hmi.
int LoadBoxTypes(const std::filesystem::path& app_dir, XmlDoc* doc);
bool SaveBoxTypes(const std::filesystem::path& app_dir, const XmlDoc& doc);

}  // namespace orbo
