// orbo-cli boxtypes decode|encode IN OUT: the box model file between its
// plain XML form (what release engineers edit) and its shipped Base64 form.
#include <string>

#include "base/file_util.h"
#include "cli/verb.h"
#include "formats/lists/box_types.h"
#include "formats/xml/xml_doc.h"

namespace orbo::cli {
namespace {

constexpr char kUsage[] = "usage: orbo-cli boxtypes decode|encode IN OUT";

// True when the document's root is "BOXSet".
bool HasBoxSetRoot(XmlDoc& doc) {
  doc.ResetCursor();
  return doc.FindElement("BOXSet");
}

int Decode(const std::string& in, const std::string& out) {
  std::string stored;
  if (!ReadFileBytes(in, &stored)) return Fail("cannot read " + in);
  XmlDoc doc;
  if (LoadBoxTypesFile(in, &doc) != 0) {
    return Fail(in + " is not a box model file: its Base64 text does not decode to a well-formed " +
                "XML document");
  }
  if (!HasBoxSetRoot(doc)) return Fail(in + " decodes to a document whose root is not BOXSet");
  if (!WriteFileAtomic(out, doc.GetText())) return Fail("cannot write " + out);
  return 0;
}

int Encode(const std::string& in, const std::string& out) {
  std::string plain;
  if (!ReadFileBytes(in, &plain)) return Fail("cannot read " + in);
  XmlDoc doc;
  // LoadBytes detects the encoding, so a UTF-16 source is shipped as UTF-8.
  if (!doc.LoadBytes(plain)) return Fail(in + " is not a well-formed XML document");
  if (!HasBoxSetRoot(doc)) return Fail(in + " has no root element BOXSet");
  if (!SaveBoxTypesFile(out, doc)) return Fail("cannot write " + out);
  return 0;
}

int BoxTypesVerb(const Args& args) {
  if (args.size() != 3) return UsageError(kUsage);
  if (args[0] == "decode") return Decode(args[1], args[2]);
  if (args[0] == "encode") return Encode(args[1], args[2]);
  return UsageError(kUsage);
}

}  // namespace

ORBO_CLI_VERB("boxtypes",
              "boxtypes decode|encode IN OUT  convert the box model file (shipped Base64 <-> "
              "plain XML)",
              BoxTypesVerb);

}  // namespace orbo::cli
