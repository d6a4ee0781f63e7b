#include <gtest/gtest.h>

#include "app/page_process.h"
#include "app/tool_services.h"
#include "platform/clipboard.h"
#include "support/recording_view.h"
#include "support/scripted_prompts.h"
#include "support/stops_within.h"
#include "support/temp_dir.h"

namespace orbo {
namespace {

class NullClipboard : public Clipboard {
 public:
  bool SetText(const std::string&) override { return true; }
};

// Until the subsystems land, the stand-ins report failure honestly.
TEST(ToolServices, StandInsReportFailureToThePage) {
  test::TempDir dir;
  test::RecordingView view;
  test::ScriptedPrompts prompts;
  NullClipboard clipboard;
  ToolServices tool(dir.path(), &view, &prompts, &clipboard);
  MainFrameCore core(tool.Services());

  EXPECT_EQ(core.HandlePageCall("0",
                                "a\x02"
                                "b\x02"
                                "c"),
            2);  // no setup file builder
  ASSERT_EQ(prompts.asked().size(), 1u);
  EXPECT_EQ(prompts.asked()[0].kind, "message");
  EXPECT_EQ(core.HandlePageCall("7", "{}"), 0);
  EXPECT_EQ(core.HandlePageCall("23", ""), 0);
  EXPECT_EQ(core.HandlePageCall("24", "{}"), 0);  // no "url": nothing started
  EXPECT_EQ(MakeEditorIntegration(dir.path())->IsEditorUsable(""), 0);
}

TEST(ToolServices, WorkerStopsWithoutSittingOutItsPauses) {
  test::TempDir dir;
  test::RecordingView view;
  test::ScriptedPrompts prompts;
  NullClipboard clipboard;
  ToolServices tool(dir.path(), &view, &prompts, &clipboard);
  BridgeServices services = tool.Services();
  services.workerStartDelayMs = test::kPauseNobodySitsOut;
  MainFrameCore core(services);
  core.OnSetupButton();
  core.StartWorker();
  test::ExpectStopsWithin([&] { core.StopWorker(); });  // the shared sleeper is woken
  EXPECT_EQ(core.StateSnapshot().pendingCommand, 28);
}

}  // namespace
}  // namespace orbo
