// What the About box shows, decided without a toolkit: a tool built as
// ORBO shows its own product and copyright texts and the program icon; a
// branded build shows the reseller's company and logo, or only the release
// notes when it has no company name.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace orbo {

struct AboutInputs {
  std::string name;   // setting "name"
  int oem = 0;        // setting "oem"
  int mode = 0;       // setting "mode"
  std::string comp;   // setting "comp"
  std::string notes;  // Help_Ch of ReleaseLog.log (may be empty)
};

struct AboutContent {
  bool branded = false;
  std::string title;             // the dialog's title
  bool showLogo = true;          // the logo area
  bool logoFromPackage = false;  // logo.ico centred, else the program icon at the top-left
  bool showProduct = true;
  std::string product;
  bool showCompany = true;
  std::string company;
  std::string notes;             // the read-only text box
  bool notesFillWindow = false;  // the text box takes the whole dialog less 10 pixels a side
};

// lookup gives a message key's text in the current language.
AboutContent MakeAboutContent(const AboutInputs& in,
                              const std::function<std::string(std::string_view)>& lookup);

// The Help_Ch attribute of element Hmi inside HMISet of appDir/ReleaseLog.log;
// empty when the file, the elements or the attribute are missing.
std::string ReadReleaseNotes(const std::filesystem::path& appDir);

}  // namespace orbo
