#include "app/window/load_error_page.h"

namespace orbo {

std::string HtmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
        break;
    }
  }
  return out;
}

std::string LoadErrorPageHtml(std::string_view address, std::string_view error_text, int code) {
  return "<html><body bgcolor=\"white\"><h2>Failed to load URL " + HtmlEscape(address) +
         " with error " + HtmlEscape(error_text) + " (" + std::to_string(code) +
         ").</h2></body></html>";
}

}  // namespace orbo
