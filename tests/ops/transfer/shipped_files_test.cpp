// The files the build assembles beside the executable fit together: every
// model has its components, every component image decrypts to its digest,
// every template is a zip archive, and the page settings point nowhere
// outside the tool.
#include <gtest/gtest.h>

#include <set>

#include "base/file_util.h"
#include "firmware_files.h"
#include "formats/lists/box_types.h"
#include "formats/lists/cloud_url.h"
#include "formats/xml/xml_doc.h"
#include "ops/transfer/transfer_ops.h"
#include "zip_helpers.h"

namespace orbo {
namespace {

const std::filesystem::path kApp = ORBO_APP_DIR;

struct Element {
  std::string kernel, image, verName, md5;
};

std::map<std::string, std::vector<Element>> Catalogue() {
  std::map<std::string, std::vector<Element>> serials;
  XmlDoc doc;
  EXPECT_TRUE(doc.LoadFile(kApp / "Up.ibl"));
  for (int k = 0;; ++k) {
    doc.ResetCursor();
    bool found = doc.FindElement("UpdateInfo");
    for (int i = 0; i <= k && found; ++i) found = doc.FindChild("ORBOType");
    if (!found) break;
    std::vector<Element>& elements = serials[doc.GetChildAttribute("SerialNo")];
    doc.EnterElement();
    while (doc.FindChild("element")) {
      elements.push_back({doc.GetChildAttribute("Kernel"), doc.GetChildAttribute("ImgName"),
                          doc.GetChildAttribute("VerName"), doc.GetChildAttribute("Md5")});
    }
  }
  return serials;
}

TEST(ShippedFiles, EveryModelHasComponentsOfItsKernelThatDecryptToTheirDigest) {
  XmlDoc models;
  ASSERT_EQ(LoadBoxTypes(kApp, &models), 0);
  models.ResetCursor();
  ASSERT_TRUE(models.FindElement("BOXSet"));
  const auto serials = Catalogue();
  std::set<std::string> kernels;
  int count = 0;
  while (models.FindChild("box")) {
    ++count;
    const std::string type = models.GetChildAttribute("Type");
    const std::string kernel = models.GetChildAttribute("Kernel");
    kernels.insert(kernel);
    EXPECT_FALSE(models.GetChildAttribute("Display").empty()) << type;
    auto it = serials.find(models.GetChildAttribute("SerialNo"));
    ASSERT_NE(it, serials.end()) << type;
    int own = 0;
    for (const Element& e : it->second) own += e.kernel == kernel;
    EXPECT_GT(own, 0) << type;
  }
  EXPECT_GE(count, 3);
  EXPECT_EQ(kernels, (std::set<std::string>{"A7", "ARM9"}));

  bool packaged = false;
  for (const auto& [serial, elements] : serials) {
    for (const Element& e : elements) {
      std::string image;
      ASSERT_TRUE(ReadFileBytes(kApp / "update" / e.image, &image)) << e.image;
      EXPECT_EQ(test::Md5Hex(test::Encrypt(image)), e.md5) << e.image;
      packaged = packaged || e.verName == "version";
    }
  }
  EXPECT_TRUE(packaged);
}

TEST(ShippedFiles, PackageTemplatesAreZipArchives) {
  for (const char* name : {"updateARM9", "updateA7", "update"}) {
    const auto entries = test::ReadZip(kApp / "update" / name);
    EXPECT_FALSE(entries.empty()) << name;
    EXPECT_EQ(entries.count("image"), 0u) << name;
  }
}

TEST(ShippedFiles, PageSettingsStayLocalAndBuildASetupFile) {
  // An address without a scheme is a page of the tool's own html folder.
  const std::optional<std::string> url = LoadCloudUrl(kApp);
  ASSERT_TRUE(url.has_value());
  EXPECT_EQ(url->find(':'), std::string::npos) << *url;
  EXPECT_TRUE(std::filesystem::exists(kApp / "html" / *url));

  for (const auto& e : std::filesystem::directory_iterator(kApp / "Servers")) {
    XmlDoc profile;
    ASSERT_TRUE(profile.LoadFile(e.path())) << e.path();
    profile.ResetCursor();
    ASSERT_TRUE(profile.FindElement("QXBoxSet")) << e.path();
    ASSERT_TRUE(profile.FindChild("BaseSet")) << e.path();
    // A cloud site of the sample domain, or (the demo profile) a local page.
    const std::string url2 = profile.GetChildAttribute("URL2");
    EXPECT_TRUE(
        url2.find(".example.com/") != std::string::npos ||
        (url2.find(':') == std::string::npos && std::filesystem::exists(kApp / "html" / url2)))
        << e.path() << ": " << url2;
  }
  EXPECT_TRUE(std::filesystem::exists(kApp / "Servers" / "China.xml"));  // the default server

  XmlDoc wifi;
  ASSERT_TRUE(wifi.LoadFile(kApp / "WifiList.xml"));
  wifi.ResetCursor();
  EXPECT_TRUE(wifi.FindElement("WifiList"));

  test::TempDir dir;
  std::filesystem::create_directories(dir / "html");
  std::filesystem::copy_file(kApp / "html" / "Default.xml", dir / "html" / "Default.xml");
  ASSERT_EQ(BuildSetupXml(dir.path(),
                          "Ethernet\x02"
                          "DHCP\x02"
                          "0\x02"
                          "PanelLink\x02"
                          "Baud\x02"
                          "9600\x02"),
            0);
  const std::string setup = dir.Read("setup.xml");
  EXPECT_NE(setup.find("DHCP=\"0\""), std::string::npos);
  EXPECT_NE(setup.find("Baud=\"9600\""), std::string::npos);
}

}  // namespace
}  // namespace orbo
