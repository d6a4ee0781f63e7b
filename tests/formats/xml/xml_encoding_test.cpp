#include <gtest/gtest.h>

#include <string>

#include "base/codepage.h"
#include "formats/xml/xml_doc.h"
#include "support/temp_dir.h"
#include "xml_test_helpers.h"

namespace orbo {
namespace {

using test::HasLog;
using test::LogText;
using test::ReadAll;
using test::ReplacedOnce;

std::string Utf16Bytes(std::u16string_view text, bool big_endian, bool mark) {
  std::string out;
  auto put = [&](char16_t u) {
    const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
    out.push_back(big_endian ? hi : lo);
    out.push_back(big_endian ? lo : hi);
  };
  if (mark) put(0xFEFF);
  for (char16_t u : text) put(u);
  return out;
}

// Loads bytes from a file, changes one attribute and saves: returns the new
// file content. The attribute is "v" of the root's child "e".
std::string LoadChangeSave(const std::string& bytes, const std::string& value,
                           XmlDoc* doc = nullptr) {
  test::TempDir dir;
  const auto path = dir.Write("f.xml", bytes);
  XmlDoc local;
  XmlDoc& d = doc ? *doc : local;
  EXPECT_TRUE(d.LoadFile(path)) << LogText(d);
  EXPECT_TRUE(d.FindChild("e"));
  EXPECT_TRUE(d.SetChildAttribute("v", value));
  EXPECT_TRUE(d.SaveFile(path)) << LogText(d);
  return ReadAll(path);
}

TEST(XmlEncoding, Utf8WithMarkKeepsTheMark) {
  const std::string body = "<r>\n <e v=\"Grüße\"/>\n</r>\n";
  XmlDoc doc;
  const std::string saved = LoadChangeSave("\xEF\xBB\xBF" + body, "中文", &doc);
  EXPECT_EQ(doc.encoding(), "UTF-8");
  EXPECT_TRUE(doc.had_utf8_bom());
  EXPECT_EQ(saved, "\xEF\xBB\xBF" + ReplacedOnce(body, "Grüße", "中文"));
}

TEST(XmlEncoding, DeclaredUtf8WithoutMarkReadsItsCharacters) {
  const std::string bytes = "<?xml version=\"1.0\" encoding=\"utf-8\"?><r><e v=\"Grüße 中\"/></r>";
  XmlDoc doc;
  ASSERT_TRUE(doc.LoadBytes(bytes));
  EXPECT_EQ(doc.encoding(), "utf-8");
  EXPECT_FALSE(doc.had_utf8_bom());
  ASSERT_TRUE(doc.FindChild("e"));
  EXPECT_EQ(doc.GetChildAttribute("v"), "Grüße 中");
  EXPECT_EQ(LoadChangeSave(bytes, "x"), ReplacedOnce(bytes, "Grüße 中", "x"));
}

TEST(XmlEncoding, Utf16FilesAreWrittenBackInTheirByteOrderWithTheirMark) {
  const std::u16string body =
      u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<r><e v=\"\u00e9\U0001F600\"/></r>";
  const std::u16string changed =
      u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<r><e v=\"\u4e2d\"/></r>";
  for (bool big : {false, true}) {
    XmlDoc doc;
    ASSERT_TRUE(doc.LoadBytes(Utf16Bytes(body, big, true)));
    EXPECT_EQ(doc.encoding(), big ? "UTF-16BE" : "UTF-16LE");
    ASSERT_TRUE(doc.FindChild("e"));
    EXPECT_EQ(doc.GetChildAttribute("v"), "é\xF0\x9F\x98\x80");
    std::string same;
    ASSERT_TRUE(doc.EncodeForSave(&same));
    EXPECT_EQ(same, Utf16Bytes(body, big, true));
    EXPECT_EQ(LoadChangeSave(Utf16Bytes(body, big, true), "中"), Utf16Bytes(changed, big, true));
  }
}

TEST(XmlEncoding, AnsiCodePageRoundTrip) {
  ScopedCodepage cp1252("CP1252");
  // No mark, no declaration, not "<" first, not UTF-8: the ANSI code page.
  const std::string bytes = "\n<r><e v=\"caf\xE9\"/></r>";
  XmlDoc doc;
  ASSERT_TRUE(doc.LoadBytes(bytes));
  EXPECT_EQ(doc.encoding(), "ANSI");
  ASSERT_TRUE(doc.FindChild("e"));
  EXPECT_EQ(doc.GetChildAttribute("v"), "café");
  EXPECT_EQ(LoadChangeSave(bytes, "€uro"), "\n<r><e v=\"\x80uro\"/></r>");

  // ANSI text whose bytes would read back as other text (a leading "ï»¿" or
  // "ÿþ" is a byte-order mark; "Ã©" once the element between is removed is
  // UTF-8):
  // written as UTF-8 with a mark instead.
  const std::string nul(1, '\0');  // dropped on reading, so the mark comes first
  for (const std::string& ansi : {nul + "\xEF\xBB\xBF" "2<r v=\"\x87\"/>",
                                 nul + "\xFF\xFE<r v=\"\x87\"/>", std::string("\n<r>\xC3<e/>\xA9</r>")}) {
    XmlDoc ambiguous;
    ASSERT_TRUE(ambiguous.LoadBytes(ansi));
    EXPECT_EQ(ambiguous.encoding(), "ANSI");
    if (ambiguous.FindChild("e")) {
      ASSERT_TRUE(ambiguous.EnterElement());
      ASSERT_TRUE(ambiguous.RemoveElement());
    }
    std::string saved;
    ASSERT_TRUE(ambiguous.EncodeForSave(&saved));
    EXPECT_TRUE(saved.starts_with("\xEF\xBB\xBF")) << saved;
    XmlDoc again;
    again.LoadBytes(saved);
    EXPECT_EQ(again.GetText(), ambiguous.GetText());
  }
}

TEST(XmlEncoding, DeclaredEightBitEncodingsRoundTrip) {
  struct Case {
    const char* name;
    std::string value_bytes;  // "é" or "中" in that encoding
    const char* value;
  };
  const Case cases[] = {
      {"ISO-8859-1", "\xE9", "é"}, {"windows-1252", "\xE9", "é"}, {"GB2312", "\xD6\xD0", "中"}};
  for (const auto& c : cases) {
    const std::string bytes = std::string("<?xml version=\"1.0\" encoding=\"") + c.name +
                              "\"?>\n<r><e v=\"" + c.value_bytes + "\" w=\"x\"/></r>";
    XmlDoc doc;
    ASSERT_TRUE(doc.LoadBytes(bytes)) << c.name << ": " << LogText(doc);
    EXPECT_EQ(doc.encoding(), c.name);
    ASSERT_TRUE(doc.FindChild("e"));
    EXPECT_EQ(doc.GetChildAttribute("v"), c.value) << c.name;
    ASSERT_TRUE(doc.SetChildAttribute("w", c.value));
    std::string saved;
    ASSERT_TRUE(doc.EncodeForSave(&saved)) << c.name;
    EXPECT_EQ(saved, ReplacedOnce(bytes, "\"x\"", "\"" + c.value_bytes + "\"")) << c.name;
  }
}

TEST(XmlEncoding, HtmlMetaCharsetIsHonoured) {
  const std::string bytes =
      "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=ISO-8859-1\">"
      "</head><body title=\"\xE9t\xE9\"></body></html>";
  XmlDoc doc;
  doc.LoadBytes(bytes);
  EXPECT_EQ(doc.encoding(), "ISO-8859-1");
  ASSERT_TRUE(doc.FindChild("body"));
  EXPECT_EQ(doc.GetChildAttribute("title"), "été");
}

TEST(XmlEncoding, DetectionWithoutMarkOrDeclaration) {
  XmlDoc doc;
  // Valid UTF-8 not starting with "<".
  ASSERT_TRUE(doc.LoadBytes("  <r v=\"\xC3\xA9\"/>"));
  EXPECT_EQ(doc.encoding(), "UTF-8");
  EXPECT_TRUE(HasLog(doc, "utf8_detection"));
  // A declared name nobody knows, or UTF-16 in a file read byte by byte,
  // counts as no declaration.
  ASSERT_TRUE(doc.LoadBytes("<?xml version=\"1.0\" encoding=\"x-nonsense\"?><r/>"));
  EXPECT_EQ(doc.encoding(), "UTF-8");
  ASSERT_TRUE(doc.LoadBytes("<?xml version=\"1.0\" encoding=\"UTF-16\"?><r v=\"\xC3\xA9\"/>"));
  EXPECT_EQ(doc.encoding(), "UTF-8");
  ASSERT_TRUE(doc.FindElement("r"));
  EXPECT_EQ(doc.GetAttribute("v"), "é");
  // UTF-16LE without a mark starts with "<": read as UTF-8, zeros removed.
  ASSERT_TRUE(doc.LoadBytes(Utf16Bytes(u"<r v=\"1\"/>", false, false)));
  EXPECT_EQ(doc.GetText(), "<r v=\"1\"/>");
  EXPECT_TRUE(HasLog(doc, "nulls_removed"));
}

TEST(XmlEncoding, BadBytesAreReplacedAndReported) {
  XmlDoc doc;
  // Declared UTF-8 with a stray Latin-1 byte and a sequence cut at the end.
  doc.LoadBytes("<r v=\"caf\xE9\"/>\xE4\xB8");
  EXPECT_TRUE(HasLog(doc, "conversion_loss"));
  EXPECT_TRUE(HasLog(doc, "truncation_error"));
  ASSERT_TRUE(doc.FindElement("r"));
  EXPECT_EQ(doc.GetAttribute("v"), "caf\xEF\xBF\xBD");
  // UTF-16 with an odd length and a lone surrogate.
  std::string bytes = Utf16Bytes(u"<r v=\"\xD800x\"/>", false, true);
  bytes.push_back('\x01');
  EXPECT_TRUE(doc.LoadBytes(bytes));
  EXPECT_TRUE(HasLog(doc, "truncation_error"));
  EXPECT_TRUE(HasLog(doc, "conversion_loss"));
  ASSERT_TRUE(doc.FindElement("r"));
  EXPECT_EQ(doc.GetAttribute("v"), "\xEF\xBF\xBDx");
}

TEST(XmlEncoding, SetTextDocumentsTakeTheirDeclaredEncodingAndNoMark) {
  XmlDoc doc;
  ASSERT_TRUE(doc.SetText("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r v=\"é\"/>"));
  EXPECT_EQ(doc.encoding(), "");
  std::string bytes;
  ASSERT_TRUE(doc.EncodeForSave(&bytes));
  EXPECT_EQ(bytes, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r v=\"\xE9\"/>");

  ASSERT_TRUE(doc.SetText("<r v=\"é\"/>"));
  ASSERT_TRUE(doc.EncodeForSave(&bytes));
  EXPECT_EQ(bytes, "<r v=\"é\"/>");

  // A loaded file with a mark, then SetText: the mark is not written.
  ASSERT_TRUE(doc.LoadBytes("\xEF\xBB\xBF<r/>"));
  ASSERT_TRUE(doc.SetText("<r/>"));
  ASSERT_TRUE(doc.EncodeForSave(&bytes));
  EXPECT_EQ(bytes, "<r/>");
}

TEST(XmlEncoding, UnrepresentableTextIsRefusedAndTheFileKept) {
  test::TempDir dir;
  {
    ScopedCodepage cp1252("CP1252");
    const std::string ansi = " <r v=\"caf\xE9\"/>";
    const auto path = dir.Write("ansi.xml", ansi);
    XmlDoc doc;
    ASSERT_TRUE(doc.LoadFile(path));
    ASSERT_TRUE(doc.FindElement("r"));
    ASSERT_TRUE(doc.SetAttribute("v", "中"));
    EXPECT_FALSE(doc.SaveFile(path));
    EXPECT_TRUE(HasLog(doc, "conversion_loss"));
    EXPECT_EQ(ReadAll(path), ansi);
  }
  const std::string latin = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r v=\"\xE9\"/>";
  const auto path = dir.Write("latin.xml", latin);
  XmlDoc doc;
  ASSERT_TRUE(doc.LoadFile(path));
  ASSERT_TRUE(doc.FindElement("r"));
  ASSERT_TRUE(doc.SetAttribute("v", "\xF0\x9F\x98\x80"));
  EXPECT_FALSE(doc.SaveFile(path));
  EXPECT_EQ(ReadAll(path), latin);
  // Text that is not UTF-8 cannot go into UTF-16 either.
  ASSERT_TRUE(doc.LoadBytes(Utf16Bytes(u"<r/>", false, true)));
  ASSERT_TRUE(doc.FindElement("r"));
  ASSERT_TRUE(doc.SetAttribute("v", "\xFF"));
  std::string bytes;
  EXPECT_FALSE(doc.EncodeForSave(&bytes));
}

TEST(XmlEncoding, FileErrorsAreReported) {
  test::TempDir dir;
  XmlDoc doc;
  ASSERT_TRUE(doc.SetText("<r/>"));
  EXPECT_FALSE(doc.LoadFile(dir / "missing.xml"));
  EXPECT_TRUE(HasLog(doc, "file_error"));
  EXPECT_EQ(doc.GetText(), "");
  EXPECT_FALSE(doc.FindElement("r"));

  ASSERT_TRUE(doc.SetText("<r/>"));
  EXPECT_FALSE(doc.SaveFile(dir / "no-such-folder" / "x.xml"));
  EXPECT_TRUE(HasLog(doc, "file_error"));
}

}  // namespace
}  // namespace orbo
