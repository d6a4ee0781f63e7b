#include <gtest/gtest.h>

#include "app/bridge_fakes.h"

namespace orbo {
namespace {

using Strings = std::vector<std::string>;

class NavigationTest : public test::BridgeTest {};

TEST_F(NavigationTest, SetupButtonShowsSetupPageAndQueuesUsbReconnect) {
  MainFrameCore core(Services());
  core.HandlePageCall("11", "LocalNetwork");
  core.HandlePageCall("12", "10.0.0.5");
  core.OnSetupButton();
  EXPECT_EQ(core.currentPage(), FirstPage());
  EXPECT_EQ(view_.navigations(), Strings{FirstPage()});
  CommandState s = core.StateSnapshot();
  EXPECT_EQ(s.connectMode, "USB:Download");
  EXPECT_EQ(s.boxAddress, "");
  EXPECT_EQ(s.pendingCommand, 28);
  EXPECT_EQ(s.detectRequested, 1);
  EXPECT_EQ(s.linkDown, 0);
  EXPECT_EQ(s.offerSetupUpload, 1);
  EXPECT_TRUE(view_.scripts().empty());

  // Pressed again: the same address again (the view reloads it).
  core.HandlePageCall("4", "");
  core.OnSetupButton();
  EXPECT_EQ(view_.navigations(), (Strings{FirstPage(), FirstPage()}));
  EXPECT_EQ(core.StateSnapshot().pendingCommand, 28);
}

TEST_F(NavigationTest, MonitorButtonAsksSetupPageToSaveOnlyWhenLeavingIt) {
  MainFrameCore core(Services());
  core.OnMonitorButton();  // already on the monitor page
  EXPECT_TRUE(view_.scripts().empty());
  EXPECT_EQ(view_.navigations(), Strings{"https://cloud.example/monitor"});

  core.OnSetupButton();
  view_.Clear();
  core.OnMonitorButton();
  EXPECT_EQ(view_.scripts(), Strings{"SaveSetting();"});
  EXPECT_EQ(view_.navigations(), Strings{"https://cloud.example/monitor"});
  EXPECT_EQ(core.currentPage(), "https://cloud.example/monitor");
}

TEST_F(NavigationTest, WithoutAViewButtonsOnlyTrackTheCurrentPage) {
  MainFrameCore core(Services(nullptr, /*with_view=*/false));
  core.OnSetupButton();
  EXPECT_EQ(core.currentPage(), FirstPage());
  EXPECT_EQ(core.StateSnapshot().pendingCommand, 11);  // no reconnect queued
  core.OnMonitorButton();
  EXPECT_EQ(core.currentPage(), "https://cloud.example/monitor");
  EXPECT_TRUE(view_.navigations().empty());
}

TEST_F(NavigationTest, ChangedCloudAddressIsShownWithoutChangingCurrentPage) {
  std::optional<std::string> url = "https://a.example/";
  BridgeServices services = Services();
  services.cloudUrl = [&url] { return url; };
  MainFrameCore core(services);
  core.OnSetupButton();
  view_.Clear();
  EXPECT_FALSE(core.RefreshMonitorUrl());
  url = "https://b.example/";
  EXPECT_TRUE(core.RefreshMonitorUrl());
  EXPECT_EQ(core.monitorUrl(), "https://b.example/");
  EXPECT_EQ(view_.navigations(), Strings{"https://b.example/"});
  EXPECT_EQ(core.currentPage(), FirstPage());
  // An unreadable file keeps the address; an empty one is an address.
  url = std::nullopt;
  EXPECT_FALSE(core.RefreshMonitorUrl());
  EXPECT_EQ(core.monitorUrl(), "https://b.example/");
  url = "";
  EXPECT_TRUE(core.RefreshMonitorUrl());
  EXPECT_EQ(core.monitorUrl(), "");
}

}  // namespace
}  // namespace orbo
