// bench-libs: orbo_xml orbo_base
// Load a generated ~5 MB XML file, change one attribute of its last element
// and save it. Target: under 100 ms for the three steps together. Prints
// each step and the total, best and median over several runs.
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/file_util.h"
#include "formats/xml/xml_doc.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

// A settings-like document: many elements with attributes, nesting,
// comments and text, about target_bytes long.
std::string MakeDocument(size_t target_bytes) {
  std::string doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- generated -->\n<QXBoxSet>\n";
  for (int i = 0; doc.size() < target_bytes; ++i) {
    const std::string n = std::to_string(i);
    doc += "\t<Item id=\"" + n + "\" Name=\"item &amp; " + n + "\" URL=\"http://example.invalid/" +
           n + "?a=1&amp;b=2\" Note=\"Grüße\">\n";
    doc += "\t\t<Sub Ip=\"192.0.2." + std::to_string(i % 256) + "\" Port=\"8769\"/>\n";
    doc += "\t\t<Text>some text " + n + "</Text>\n\t</Item>\n";
  }
  doc += "</QXBoxSet>\n";
  return doc;
}

}  // namespace

int main() {
  char tmpl[] = "/tmp/orbo-bench-xml-XXXXXX";
  if (!mkdtemp(tmpl)) {
    std::perror("mkdtemp");
    return 1;
  }
  const std::filesystem::path dir = tmpl;
  const std::filesystem::path path = dir / "big.xml";
  const std::string original = MakeDocument(5u << 20);
  if (!orbo::WriteFileAtomic(path, original)) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return 1;
  }

  constexpr int kRuns = 9;
  std::vector<double> load, edit, save, total;
  for (int run = 0; run < kRuns; ++run) {
    const auto t0 = Clock::now();
    orbo::XmlDoc doc;
    if (!doc.LoadFile(path)) {
      std::fprintf(stderr, "load failed\n");
      return 1;
    }
    const auto t1 = Clock::now();
    doc.FindElement("QXBoxSet");
    while (doc.FindChild("Item")) {
    }
    doc.SetChildAttribute("Name", "changed " + std::to_string(run));
    const auto t2 = Clock::now();
    if (!doc.SaveFile(path)) {
      std::fprintf(stderr, "save failed\n");
      return 1;
    }
    const auto t3 = Clock::now();
    load.push_back(Ms(t0, t1));
    edit.push_back(Ms(t1, t2));
    save.push_back(Ms(t2, t3));
    total.push_back(Ms(t0, t3));
  }
  std::filesystem::remove_all(dir);

  auto report = [](const char* what, std::vector<double> v) {
    std::sort(v.begin(), v.end());
    std::printf("%-28s best %7.2f ms   median %7.2f ms\n", what, v.front(), v[v.size() / 2]);
  };
  std::printf("document: %.2f MB, %d runs\n", original.size() / 1048576.0, kRuns);
  report("load (read + detect + parse)", load);
  report("find last + set attribute", edit);
  report("save (encode + atomic write)", save);
  report("total", total);
  std::printf("target: total under 100 ms\n");
  return 0;
}
