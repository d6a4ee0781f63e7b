#include "formats/branding/apply_branding.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>

#include "base/base64.h"
#include "cert_writer.h"
#include "formats/branding/brand_values.h"
#include "formats/branding/launchers.h"
#include "formats/cert/cert_format.h"
#include "formats/lists/cloud_url.h"
#include "formats/xml/xml_doc.h"
#include "settings/app_settings.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"

namespace orbo {
namespace {

namespace fs = std::filesystem;

constexpr char kModels[] =
    "<BOXSet><box Type=\"OP-S70\" Display=\"S70\"/><box Type=\"OP-X70\" Display=\"X70\"/>"
    "<box Type=\"OP-S70\" Display=\"S70 b\"/></BOXSet>";
const std::string kPng = std::string("\x89PNG\r\n\x1a\n", 8) + "pixels";
// An icon directory with one 32x32 image stored as PNG.
const std::string kIco = std::string("\0\0\1\0\1\0\x20\x20\0\0\1\0\x20\0", 14) +
                         std::string("\x0e\0\0\0\x16\0\0\0", 8) + kPng;

std::string CompanyInfo(const std::string& tool_name) {
  return R"({"company_name_zh":"Acme Ltd","BOX_NAME_ZH":"gateway","tool_name":")" + tool_name +
         R"(","domain_name":"acme.example.net"})";
}

std::string Package(const std::string& company_info = CompanyInfo("Acme Link")) {
  return certpack::BuildPackage(
      "acme.example.net", CertDefaultDomain(), 0,
      {{"company.info", company_info},
       {"device.info", R"([{"oriValue":"OP-S70","cusModel":"AC-7"},{"oriValue":"OP-X70"}])"},
       {"tool_title_logo.ico", "TITLE"},
       {"tool_desktop_logo.ico", kIco},
       {"default.xml", R"(<QXBoxSet><BaseSet URL2="http://old" Keep="1"/></QXBoxSet>)"}});
}

class Branding : public ::testing::Test {
 protected:
  void SetUp() override {
    root.Write("app/SoftLang.ini", "[HMI]\noem=1\nname=ORBO\nrep=box\ncomp=\n");
    root.Write("app/BOXType.hmi", Base64Encode(kModels));
    root.Write("app/html/Default.xml", R"(<QXBoxSet><BaseSet URL2="http://vendor"/></QXBoxSet>)");
    root.Write("app/orbo", "program");
    root.Write("Desktop/orbo.desktop", "[Desktop Entry]\nName=ORBO\nExec=\"" +
                                           (app / "orbo").string() + "\" --flag\nIcon=old\n");
    root.Write("applications/orbo.desktop", "[Desktop Entry]\nExec=/usr/bin/other\nIcon=old\n");
    store.Load();
  }
  BrandingEnv Env(const fs::path& exe) {
    BrandingEnv env;
    env.exePath = exe;
    env.launcherFolders = {root / "Desktop", root / "applications"};
    env.prompts = &prompts;
    env.nameTaken = [](std::string_view name) { return name == "firefox"; };
    return env;
  }
  int Apply() { return ApplyBranding(Env(app / "orbo"), &store, &program); }
  std::map<fs::path, std::string> Snapshot() const {
    std::map<fs::path, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(root.path()))
      if (e.is_regular_file()) files[e.path()] = test::ReadAll(e.path());
    return files;
  }
  std::string Display(size_t index) {
    XmlDoc doc;
    EXPECT_TRUE(doc.SetText(Base64Decode(root.Read("app/BOXType.hmi"))));
    doc.ResetCursor();
    doc.FindElement("BOXSet");
    for (size_t i = 0; i <= index; ++i) doc.FindChild("box");
    return doc.GetChildAttribute("Display");
  }

  test::TempDir root;
  fs::path app = root / "app";
  SettingsStore store{app};
  test::ScriptedPrompts prompts;
  fs::path program;  // where the program is after Apply
};

TEST_F(Branding, AppliesEveryEntryAndAgainChangesNothing) {
  root.Write("app/VirCert.ce", Package());
  ASSERT_EQ(Apply(), 0);
  EXPECT_TRUE(prompts.asked().empty());
  EXPECT_FALSE(store.Get().exitRequested);
  EXPECT_EQ(store.Get().comp, "Acme Ltd");
  const std::string ini = root.Read("app/SoftLang.ini");
  EXPECT_NE(ini.find("name=Acme Link\n"), std::string::npos);
  EXPECT_NE(ini.find("rep=gateway\n"), std::string::npos);
  EXPECT_EQ(Display(0), "AC-7");
  EXPECT_EQ(Display(1), "X70");  // the element without cusModel is skipped
  EXPECT_EQ(Display(2), "AC-7");
  EXPECT_EQ(root.Read("app/title.ico"), "TITLE");
  EXPECT_EQ(root.Read("app/logo.ico"), kIco);
  EXPECT_EQ(root.Read("app/logo.png"), kPng);
  EXPECT_EQ(LoadCloudUrl(app), "http://acme.example.net");
  EXPECT_NE(root.Read("app/html/Default.xml").find("Keep=\"1\""), std::string::npos);

  // The executable and both launchers take the tool name; only the launcher
  // that starts the tool gets the icon, and it follows the renamed program.
  EXPECT_FALSE(fs::exists(app / "orbo"));
  EXPECT_EQ(root.Read("app/Acme Link"), "program");
  EXPECT_FALSE(fs::exists(root / "Desktop/orbo.desktop"));
  const std::string launcher = root.Read("Desktop/Acme Link.desktop");
  EXPECT_EQ(LauncherProgram(launcher), (app / "Acme Link").string());
  EXPECT_NE(launcher.find("\" --flag\n"), std::string::npos);
  EXPECT_NE(launcher.find("Icon=" + (app / "logo.png").string() + "\n"), std::string::npos);
  EXPECT_NE(launcher.find("Name=Acme Link\n"), std::string::npos);
  EXPECT_EQ(root.Read("applications/Acme Link.desktop"),
            "[Desktop Entry]\nExec=/usr/bin/other\nIcon=old\n");
  EXPECT_EQ(program, app / "Acme Link");

  const auto before = Snapshot();
  EXPECT_EQ(ApplyBranding(Env(app / "Acme Link"), &store), 0);
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(Branding, OemZeroTouchesNothing) {
  root.Write("app/SoftLang.ini", "[HMI]\noem=0\n");
  store.Load();
  const auto before = Snapshot();
  EXPECT_EQ(Apply(), 0);
  EXPECT_TRUE(prompts.asked().empty());
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(Branding, WithoutAPackageTheDialogDecides) {
  const auto before = Snapshot();
  EXPECT_EQ(Apply(), -1);  // cancelled
  ASSERT_EQ(prompts.asked().size(), 1u);
  EXPECT_EQ(prompts.asked()[0].options.filter_name, "Cert File(*.ce)");
  EXPECT_EQ(prompts.asked()[0].options.filter_pattern, "*.ce");
  EXPECT_EQ(Snapshot(), before);

  const std::string good = Package();
  const auto bad = root.Write("bad.ce", good.substr(0, good.size() - 1));
  prompts.ChooseFile(bad);
  EXPECT_EQ(Apply(), -1);  // a broken pick is not put in place
  EXPECT_FALSE(fs::exists(app / "VirCert.ce"));

  prompts.ChooseFile(root.Write("good.ce", good));
  EXPECT_EQ(Apply(), 0);
  EXPECT_EQ(root.Read("app/VirCert.ce"), good);
  EXPECT_TRUE(store.Get().exitRequested);
  EXPECT_TRUE(fs::exists(app / "Acme Link"));
}

TEST_F(Branding, UnsafeNamesAreRefusedAndTheRestStillRuns) {
  for (const char* name :
       {"../evil", "a/b", "a\\\\b", "two\\nlines", ".hidden", "tab\\there", "", "firefox"}) {
    SCOPED_TRACE(name);
    root.Write("app/VirCert.ce", Package(CompanyInfo(name)));
    ASSERT_EQ(Apply(), 0);
    EXPECT_EQ(store.Get().name, "ORBO");
    EXPECT_EQ(store.Get().rep, "gateway");
    EXPECT_EQ(LoadCloudUrl(app), "http://acme.example.net");
  }
  // Executable and launcher carry the settings' unchanged tool name; no name
  // of the package made it into a path.
  EXPECT_EQ(root.Read("app/ORBO"), "program");
  EXPECT_EQ(fs::directory_iterator(root / "Desktop")->path().filename(), "ORBO.desktop");
  EXPECT_EQ(std::distance(fs::directory_iterator(root.path()), fs::directory_iterator()), 3);
  EXPECT_EQ(SafeBrandName(std::string(300, 'n')), std::string(259, 'n'));
}

TEST_F(Branding, InstalledLayoutWritesTheUserMenuEntryAndRenamesNothing) {
  root.Write("app/VirCert.ce", Package());
  const fs::path exe = root.Write("prefix/lib/orbo/orbo", "program");
  BrandingEnv env = Env(exe);
  env.installed = true;
  env.launcherFolders = {root / "Desktop"};
  env.menuDir = root / "home/applications";
  env.menuEntryName = "orbo.desktop";
  env.menuTemplate = root.Write("prefix/share/applications/orbo.desktop",
                                "[Desktop Entry]\nType=Application\nName=ORBO\nName[de]=ORBO\n"
                                "Exec=orbo %U\nIcon=orbo\nActions=new;\n\n"
                                "[Desktop Action new]\nName=New window\nExec=orbo --new\n");
  const std::string prefix_before = root.Read("prefix/share/applications/orbo.desktop");
  ASSERT_EQ(ApplyBranding(env, &store, &program), 0);
  EXPECT_EQ(program, exe);
  EXPECT_EQ(root.Read("prefix/lib/orbo/orbo"), "program");
  EXPECT_FALSE(fs::exists(root / "prefix/lib/orbo/Acme Link"));
  EXPECT_EQ(root.Read("prefix/share/applications/orbo.desktop"), prefix_before);
  const std::string entry = root.Read("home/applications/orbo.desktop");
  EXPECT_EQ(entry,
            "[Desktop Entry]\nType=Application\nName=Acme Link\nName[de]=Acme Link\n"
            "Exec=" +
                exe.string() + " %U\nIcon=" + (app / "logo.png").string() +
                "\nActions=new;\nTryExec=" + exe.string() +
                "\n\n[Desktop Action new]\n"
                "Name=New window\nExec=" +
                exe.string() + " --new\n");

  // A user's own entry of that name for another program stays; a menu
  // folder that cannot be made leaves everything else applied.
  root.Write("home/applications/orbo.desktop", "[Desktop Entry]\nExec=/usr/bin/other\n");
  ASSERT_EQ(ApplyBranding(env, &store), 0);
  EXPECT_EQ(root.Read("home/applications/orbo.desktop"), "[Desktop Entry]\nExec=/usr/bin/other\n");
  env.menuDir = root.Write("a_file", "x") / "applications";
  ASSERT_EQ(ApplyBranding(env, &store), 0);
  EXPECT_EQ(store.Get().name, "Acme Link");
  EXPECT_EQ(root.Read("prefix/lib/orbo/orbo"), "program");
}

TEST_F(Branding, OversizedEntriesAndNonFilesAreRefusedAtOnce) {
  // A device.info over 1 MiB is not parsed; the rest of the package applies.
  std::string huge = R"([{"oriValue":"OP-S70","cusModel":"AC-7"}])";
  huge.resize((size_t{1} << 20) + 1, ' ');
  root.Write("app/VirCert.ce", certpack::BuildPackage("acme.example.net", CertDefaultDomain(), 0,
                                                      {{"company.info", CompanyInfo("Acme Link")},
                                                       {"device.info", huge}}));
  ASSERT_EQ(Apply(), 0);
  EXPECT_EQ(Display(0), "S70");
  EXPECT_EQ(store.Get().name, "Acme Link");

  // A FIFO or a folder as the package: refused without waiting on it.
  for (const char* kind : {"fifo", "folder"}) {
    SCOPED_TRACE(kind);
    fs::remove_all(app / "VirCert.ce");
    if (std::string(kind) == "fifo") {
      ASSERT_EQ(::mkfifo((app / "VirCert.ce").c_str(), 0600), 0);
    } else {
      fs::create_directory(app / "VirCert.ce");
    }
    prompts.ChooseFile(app / "VirCert.ce");  // picking it again changes nothing
    EXPECT_EQ(Apply(), -1);
  }
}

TEST_F(Branding, UnusableEntriesSkipOnlyTheirStep) {
  root.Write("app/BOXType.hmi", "not base64 of a document");
  root.Write("app/VirCert.ce",
             certpack::BuildPackage("acme.example.net", CertDefaultDomain(), 0,
                                    {{"company.info", "{not json"},
                                     {"device.info", R"([{"oriValue":"OP-S70","cusModel":"Z"}])"},
                                     {"default.xml", "<QXBoxSet><Other/></QXBoxSet>"}}));
  ASSERT_EQ(Apply(), 0);
  EXPECT_EQ(root.Read("app/BOXType.hmi"), "not base64 of a document");
  EXPECT_EQ(LoadCloudUrl(app), "http://vendor");
  EXPECT_EQ(store.Get().name, "ORBO");
  EXPECT_FALSE(fs::exists(app / "logo.ico"));
  // Launchers keep their icon but still take the (unchanged) tool name, and
  // follow the executable to it.
  const std::string launcher = root.Read("Desktop/ORBO.desktop");
  EXPECT_NE(launcher.find("\nIcon=old\n"), std::string::npos);
  EXPECT_EQ(LauncherProgram(launcher), (app / "ORBO").string());
}

TEST_F(Branding, ReplaceCertificatePutsOnlyAGoodPackageInPlace) {
  root.Write("app/VirCert.ce", "old package");
  root.Write("app/logo.ico", "icon");
  prompts.ChooseFile(root.Write("bad.ce", std::string(400, 'x')));
  store.Update([](AppSettings& s) { s.exitRequested = true; });
  EXPECT_FALSE(ReplaceCertificate(Env(app / "orbo"), &store));
  EXPECT_FALSE(store.Get().exitRequested);
  EXPECT_EQ(root.Read("app/VirCert.ce"), "old package");

  EXPECT_FALSE(ReplaceCertificate(Env(app / "orbo"), &store));  // cancelled

  prompts.ChooseFile(root.Write("good.ce", Package()));
  EXPECT_TRUE(ReplaceCertificate(Env(app / "orbo"), &store));
  EXPECT_TRUE(store.Get().exitRequested);
  EXPECT_EQ(root.Read("app/VirCert.ce"), Package());
  EXPECT_FALSE(fs::exists(app / "logo.ico"));
}

TEST(BrandValues, CloudAddressFromTheDomain) {
  EXPECT_EQ(CloudAddressFor("http://a.example/x"), "http://a.example/x");
  EXPECT_EQ(CloudAddressFor("a.example"), "http://a.example");
  EXPECT_EQ(CloudAddressFor("see http://a.example"), "see http://a.example");
  EXPECT_EQ(CloudAddressFor("https://a.example"), "http://https://a.example");
  EXPECT_EQ(CloudAddressFor(std::string(300, 'd')).size(), 259u);
}

TEST(Launchers, ExecProgramSurvivesQuotingAndKeepsArguments) {
  const std::string text = "[Other]\nExec=/wrong\n[Desktop Entry]\nExec=/opt/x %U\n";
  EXPECT_EQ(LauncherProgram(text), "/opt/x");
  for (const std::string program :
       {"/opt/my app/x", "/opt/q\"uo`te$/x", "/opt/back\\slash/x", "/opt/100%/x"}) {
    SCOPED_TRACE(program);
    const std::string edited = SetLauncherKeys(text, {{"Exec", program}, {"Icon", "/i.png"}});
    EXPECT_EQ(LauncherProgram(edited), program);
    EXPECT_NE(edited.find(" %U\nIcon=/i.png\n"), std::string::npos);
    EXPECT_EQ(edited.substr(0, 20), "[Other]\nExec=/wrong\n");
  }
  EXPECT_EQ(DesktopDirFromUserDirs("# c\nXDG_DESKTOP_DIR=\"$HOME/Bureau\"\n", "/home/u"),
            "/home/u/Bureau");
}

}  // namespace
}  // namespace orbo
