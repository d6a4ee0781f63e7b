// The skinned caption's geometry and button states, the About box's
// content and the closing rule.
#include <gtest/gtest.h>

#include "app/frame/about_content.h"
#include "app/frame/caption_layout.h"
#include "app/frame/close_rules.h"
#include "support/temp_dir.h"

namespace orbo {
namespace {

TEST(CaptionLayoutTest, ButtonsSitAgainstTheRightEdge) {
  struct Case {
    int id, width;
    CaptionRect rect;
  } cases[] = {
      {kCaptionMinimize, 1024, {950, 13, 970, 35}},
      {kCaptionMaximize, 1024, {972, 13, 992, 35}},
      {kCaptionClose, 1024, {994, 13, 1014, 35}},
      {kCaptionMonitor, 1024, {848, 13, 868, 35}},
      {kCaptionSetup, 1024, {870, 13, 890, 35}},
      {kCaptionConfig, 1024, {892, 13, 912, 35}},
      {kCaptionAbout, 1024, {914, 13, 934, 35}},
      {kCaptionClose, 1920, {1890, 13, 1910, 35}},
      {12345, 1024, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CaptionButtonRect(c.id, c.width), c.rect) << c.id << " at width " << c.width;
  }
  EXPECT_EQ(IconArea(32, 32), (CaptionRect{6, 6, 38, 38}));
}

TEST(CaptionLayoutTest, HoverPressAndReleaseFollowThePointer) {
  CaptionButtons b;
  for (int id : {kCaptionClose, kCaptionMaximize, kCaptionMinimize, kCaptionSetup, kCaptionAbout}) {
    b.Add(id, "tip " + std::to_string(id));
  }
  b.Layout(1024);
  const CaptionRect setup = b.Rect(kCaptionSetup);
  const CaptionRect about = b.Rect(kCaptionAbout);
  // Edges: the right and bottom edges belong to the next pixel.
  EXPECT_EQ(b.HitTest(setup.left, setup.top), kCaptionSetup);
  EXPECT_EQ(b.HitTest(setup.right, setup.top), kCaptionNone);
  EXPECT_EQ(b.HitTest(setup.left, setup.bottom), kCaptionNone);
  EXPECT_EQ(b.HitTest(10, 20), kCaptionNone);

  EXPECT_TRUE(b.Move(setup.left + 1, 20));
  EXPECT_EQ(b.Look(kCaptionSetup), ButtonLook::kHover);
  EXPECT_FALSE(b.Move(setup.left + 2, 21));  // same button: nothing to repaint
  EXPECT_EQ(b.Press(setup.left + 2, 21), kCaptionSetup);
  EXPECT_EQ(b.Look(kCaptionSetup), ButtonLook::kPressed);
  EXPECT_EQ(b.Release(setup.left + 2, 21), kCaptionSetup);
  EXPECT_EQ(b.Look(kCaptionSetup), ButtonLook::kHover);

  // Pressed, then released over another button: no click; moving away
  // un-hovers and releases the first.
  EXPECT_EQ(b.Press(setup.left + 2, 21), kCaptionSetup);
  EXPECT_TRUE(b.Move(about.left + 1, 20));
  EXPECT_EQ(b.Look(kCaptionSetup), ButtonLook::kNormal);
  EXPECT_EQ(b.Look(kCaptionAbout), ButtonLook::kHover);
  EXPECT_EQ(b.Release(about.left + 1, 20), kCaptionNone);
  EXPECT_EQ(b.Press(200, 20), kCaptionNone);  // the plain caption
  EXPECT_TRUE(b.Leave());
  EXPECT_EQ(b.hovered(), kCaptionNone);
  EXPECT_EQ(b.Look(kCaptionAbout), ButtonLook::kNormal);

  // A disabled button is found but neither hovers nor presses.
  b.SetDisabled(kCaptionAbout, true);
  b.Move(about.left + 1, 20);
  EXPECT_EQ(b.Look(kCaptionAbout), ButtonLook::kNormal);
  EXPECT_EQ(b.Press(about.left + 1, 20), kCaptionNone);

  // A wider window moves every button; a replaced button keeps one entry.
  b.Layout(1600);
  EXPECT_EQ(b.HitTest(1600 - 20, 20), kCaptionClose);
  b.Add(kCaptionClose, "again");
  EXPECT_EQ(b.Tip(kCaptionClose), "again");
  EXPECT_EQ(b.Rects().size(), 5u);
}

TEST(AboutContentTest, BrandedOrNot) {
  auto lookup = [](std::string_view key) { return "<" + std::string(key) + ">"; };
  struct Case {
    AboutInputs in;
    bool branded, logo, fromPackage, product, company;
    std::string title, productText, companyText;
  } cases[] = {
      {{"ORBO", 0, 0, "", "n"},
       false,
       true,
       false,
       true,
       true,
       "About ORBO",
       "<about_string1>",
       "<about_string2>"},
      {{"ORBO", 0, 0, "Acme", "n"},
       false,
       true,
       false,
       true,
       true,
       "About ORBO",
       "<about_string1>",
       "<about_string2>"},
      {{"ORBO", 1, 0, "", "n"}, true, false, false, false, false, "<button_about>", "", ""},
      {{"ORBO", 0, 1, "Acme", "n"}, true, true, true, true, true, "<button_about>", "", "Acme"},
      {{"Gate", 0, 2, "Acme", "n"}, true, true, true, true, true, "<button_about>", "", "Acme"},
  };
  for (const Case& c : cases) {
    const AboutContent a = MakeAboutContent(c.in, lookup);
    SCOPED_TRACE(c.in.name + "/" + std::to_string(c.in.oem) + "/" + std::to_string(c.in.mode));
    EXPECT_EQ(a.branded, c.branded);
    EXPECT_EQ(a.showLogo, c.logo);
    EXPECT_EQ(a.logoFromPackage, c.fromPackage);
    EXPECT_EQ(a.showProduct, c.product);
    EXPECT_EQ(a.showCompany, c.company);
    EXPECT_EQ(a.notesFillWindow, !c.logo);
    EXPECT_EQ(a.title, c.title);
    EXPECT_EQ(a.product, c.productText);
    EXPECT_EQ(a.company, c.companyText);
    EXPECT_EQ(a.notes, "n");
  }
}

TEST(AboutContentTest, ReleaseNotesFromTheReleaseLog) {
  test::TempDir dir;
  EXPECT_EQ(ReadReleaseNotes(dir.path()), "");
  dir.Write("ReleaseLog.log", "<HMISet><Other/></HMISet>");
  EXPECT_EQ(ReadReleaseNotes(dir.path()), "");
  dir.Write("ReleaseLog.log", "<HMISet><Hmi Help_Ch=\"HMI V2.3.4 build\"/></HMISet>");
  EXPECT_EQ(ReadReleaseNotes(dir.path()), "HMI V2.3.4 build");
}

TEST(CloseRulesTest, PortServiceOnClose) {
  EXPECT_EQ(DecideClose(0, 0), CloseStep::kClose);
  EXPECT_EQ(DecideClose(0, 1), CloseStep::kClose);
  EXPECT_EQ(DecideClose(1, 0), CloseStep::kRemoveServiceThenClose);
  EXPECT_EQ(DecideClose(1, 2), CloseStep::kAskThenRemoveService);
}

}  // namespace
}  // namespace orbo
