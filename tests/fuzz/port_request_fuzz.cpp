// The port service's control requests: bytes as a client sends them on the
// control socket, framed into lines by the service's line reader, then
// handled one by one. Every line gets one reply that is a JSON object with
// "ok" 0 or 1; a parameter that was set reads back as the same value; the
// service never holds more connections than it allows. "add" is left out:
// it opens a terminal and connects to the address the request names.
#include <cjson/cJSON.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>

#include "base/unique_fd.h"
#include "fuzz_support.h"
#include "vcom/line_channel.h"
#include "vcom/portd/port_service.h"
#include "vcom/sec_value.h"

namespace {

using Json = std::unique_ptr<cJSON, void (*)(cJSON*)>;

Json Parse(const std::string& text) {
  return Json(cJSON_Parse(text.c_str()), cJSON_Delete);
}

std::string Text(const cJSON* object, const char* name) {
  const cJSON* item = cJSON_GetObjectItemCaseSensitive(object, name);
  return cJSON_IsString(item) ? item->valuestring : "";
}

// The reply's "ok" (0 or 1); aborts when the reply is not one.
int ReplyOk(const std::string& reply, Json* parsed) {
  *parsed = Parse(reply);
  FUZZ_CHECK(cJSON_IsObject(parsed->get()));
  const cJSON* ok = cJSON_GetObjectItemCaseSensitive(parsed->get(), "ok");
  FUZZ_CHECK(cJSON_IsNumber(ok) && (ok->valueint == 0 || ok->valueint == 1));
  return ok->valueint;
}

// The lines the service's reader takes from bytes written to its socket.
std::vector<std::string> ReadLines(std::string_view bytes) {
  int pair[2];
  FUZZ_CHECK(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, pair) == 0);
  orbo::UniqueFd reader_end(pair[0]), writer_end(pair[1]);
  orbo::vcom::LineReader reader(reader_end.get());
  std::vector<std::string> lines;
  std::string line;
  // Written in two pieces so a line split across reads is joined.
  const size_t half = bytes.size() / 2;
  for (std::string_view piece : {bytes.substr(0, half), bytes.substr(half)}) {
    if (!piece.empty())
      FUZZ_CHECK(::write(writer_end.get(), piece.data(), piece.size()) ==
                 static_cast<ssize_t>(piece.size()));
    FUZZ_CHECK(reader.Fill());
    while (reader.NextLine(&line)) lines.push_back(line);
  }
  // Every complete line is taken, and nothing else.
  const auto parts = orbo::fuzz::Split(bytes, '\n');
  FUZZ_CHECK(lines.size() == parts.size() - 1);
  for (size_t i = 0; i < lines.size(); ++i) FUZZ_CHECK(lines[i] == parts[i]);
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes = orbo::fuzz::AsText(data, size);
  if (bytes.size() > orbo::vcom::kMaxLineBytes) return 0;
  orbo::vcom::PortService service(orbo::fuzz::ScratchDir() / "ports", std::nullopt);
  bool stop = false;
  for (const std::string& line : ReadLines(bytes)) {
    const Json request = Parse(line);
    if (Text(request.get(), "op") == "add") continue;
    Json reply(nullptr, cJSON_Delete);
    const int ok = ReplyOk(service.Handle(line, &stop), &reply);
    if (stop) break;
    if (!ok || Text(request.get(), "op") != "set") continue;
    // A parameter set reads back as what was sent.
    const auto sent =
        orbo::vcom::SecValue::FromJson(cJSON_GetObjectItemCaseSensitive(request.get(), "value"));
    FUZZ_CHECK(sent.has_value());
    Json get(cJSON_CreateObject(), cJSON_Delete);
    cJSON_AddStringToObject(get.get(), "op", "get");
    cJSON_AddItemToObject(
        get.get(), "id",
        cJSON_Duplicate(cJSON_GetObjectItemCaseSensitive(request.get(), "id"), true));
    cJSON_AddStringToObject(get.get(), "name", Text(request.get(), "name").c_str());
    char* text = cJSON_PrintUnformatted(get.get());
    const std::string get_line = text;
    cJSON_free(text);
    Json got(nullptr, cJSON_Delete);
    FUZZ_CHECK(ReplyOk(service.Handle(get_line, &stop), &got) == 1);
    const auto back =
        orbo::vcom::SecValue::FromJson(cJSON_GetObjectItemCaseSensitive(got.get(), "value"));
    FUZZ_CHECK(back && *back == *sent);
  }
  Json list(nullptr, cJSON_Delete);
  FUZZ_CHECK(ReplyOk(service.Handle("{\"op\":\"list\"}", &stop), &list) == 1);
  FUZZ_CHECK(cJSON_GetArraySize(cJSON_GetObjectItemCaseSensitive(list.get(), "ids")) <= 1024);
  return 0;
}
