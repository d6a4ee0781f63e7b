// kEditorCheck ("23") and kHmiDownload ("24") through the headless page host: answered on the
// page's side from hmi.xml, the download tool started as a real program.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "base/unique_fd.h"
#include "support/page_host.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace orbo::test {
namespace {

// Reads what a writer puts into the FIFO at path, waiting up to timeout_ms
// for it to come and end.
std::string ReadFifo(const fs::path& path, int timeout_ms) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK));
  std::string data;
  if (!fd.valid()) return data;
  for (;;) {
    pollfd p{fd.get(), POLLIN, 0};
    if (::poll(&p, 1, timeout_ms) <= 0) return data;
    char buf[512];
    ssize_t n = ::read(fd.get(), buf, sizeof buf);
    if (n > 0) {
      data.append(buf, static_cast<size_t>(n));
    } else if (n == 0) {
      return data;  // the writer closed
    } else if (n < 0 && errno != EAGAIN) {
      return data;
    }
  }
}

TEST(PageHostEditor, AnswersCommands23And24OnThePageSide) {
  TempDir dir;
  const fs::path fifo = dir / "args.fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  dir.Write("app/SoftLang.ini", "[HMI]\noem=0\nlang=en\n");
  // No hmi.xml yet: no usable editor.
  {
    PageHost host(dir / "app", {});
    ASSERT_TRUE(host.started());
    host.Send(PageCall("23", ""));
    EXPECT_GE(host.WaitFor([](const std::string& l) { return l == "{\"result\":0}"; }, 0, 30000), 0)
        << JoinLines(host.Lines());
    EXPECT_EQ(host.Finish(), 0);
  }
  dir.Write("editor/simulation/ieg/HMIUI.exe", "");
  auto tool = dir.Write("editor/Download.exe",
                        "#!/bin/sh\nprintf '%s|' \"$@\" > '" + fifo.string() + "'\n");
  fs::permissions(tool, fs::perms::owner_all);
  dir.Write("app/hmi.xml", "<HMISet><Hmi Folder=\"" + (dir / "editor").string() +
                               "/\" Version=\"V1\" /></HMISet>");
  PageHost host(dir / "app", {});
  ASSERT_TRUE(host.started());
  host.Send(PageCall("23", ""));
  host.Send(PageCall("24", R"({"url":"127.0.0.1:8000"})"));
  int first = host.WaitFor([](const std::string& l) { return l == "{\"result\":1}"; }, 0, 30000);
  ASSERT_GE(first, 0) << JoinLines(host.Lines());
  EXPECT_GE(
      host.WaitFor([](const std::string& l) { return l == "{\"result\":1}"; }, first + 1, 30000), 0)
      << JoinLines(host.Lines());
  EXPECT_EQ(ReadFifo(fifo, 30000), "LoadMode2 127 0 0 1 0 8000|");
  EXPECT_EQ(host.Finish(), 0);
}

}  // namespace
}  // namespace orbo::test
