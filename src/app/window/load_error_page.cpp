#include "app/window/load_error_page.h"

#include "formats/xml/xml_doc.h"

namespace orbo {

std::string HtmlEscape(std::string_view text) {
  return XmlEscape(text, "&#39;");
}

std::string LoadErrorPageHtml(std::string_view address, std::string_view error_text, int code) {
  return "<html><body bgcolor=\"white\"><h2>Failed to load URL " + HtmlEscape(address) +
         " with error " + HtmlEscape(error_text) + " (" + std::to_string(code) +
         ").</h2></body></html>";
}

}  // namespace orbo
