#include "formats/lists/server_list.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace orbo {
namespace {

TEST(ServerList, NoFolderOrNoProfilesGiveEmptyText) {
  test::TempDir dir;
  EXPECT_EQ(BuildServerList(dir.path()), "");
  std::filesystem::create_directory(dir / "Servers");
  EXPECT_EQ(BuildServerList(dir.path()), "");
  dir.Write("Servers/China.xml", "<QXBoxSet/>");
  EXPECT_EQ(BuildServerList(dir.path()), "China");  // no separator around a single name
}

TEST(ServerList, NamesAreSortedAndJoinedByStx) {
  test::TempDir dir;
  dir.Write("Servers/Europe.xml", "");
  dir.Write("Servers/Asia Pacific.xml", "");
  dir.Write("Servers/China.xml", "");
  dir.Write("Servers/old.xml.xml", "");  // only the last ".xml" goes
  EXPECT_EQ(BuildServerList(dir.path()),
            "Asia Pacific\x02"
            "China\x02"
            "Europe\x02old.xml");
  EXPECT_EQ(ListServerNames(dir.path()),
            (std::vector<std::string>{"Asia Pacific", "China", "Europe", "old.xml"}));
}

TEST(ServerList, OnlyProfileFilesCount) {
  test::TempDir dir;
  dir.Write("Servers/Europe.xml", "");
  dir.Write("Servers/upper.XML", "");  // "<name>.xml" would not open it
  dir.Write("Servers/notes.txt", "");
  dir.Write("Servers/.hidden.xml", "");
  dir.Write("Servers/.xml", "");
  dir.Write("Servers/with\x02stx.xml", "");  // would split the list
  dir.Write("Servers/bad\xFF.xml", "");      // not UTF-8
  std::filesystem::create_directory(dir / "Servers/folder.xml");
  std::filesystem::create_symlink(dir / "Servers/Europe.xml", dir / "Servers/Link.xml");
  std::filesystem::create_symlink(dir / "Servers/gone", dir / "Servers/Dangling.xml");
  EXPECT_EQ(BuildServerList(dir.path()), "Europe\x02Link");
}

TEST(ServerList, ProfilePathIsTheNameWithXml) {
  EXPECT_EQ(ServerProfilePath("/opt/orbo", "Asia Pacific"),
            std::filesystem::path("/opt/orbo/Servers/Asia Pacific.xml"));
}

}  // namespace
}  // namespace orbo
