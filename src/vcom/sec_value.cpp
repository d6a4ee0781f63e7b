#include "vcom/sec_value.h"

#include <cjson/cJSON.h>

#include <cstdlib>
#include <limits>

namespace orbo::vcom {
namespace {

std::optional<int32_t> JsonInt32(const cJSON* item) {
  if (!cJSON_IsNumber(item)) return std::nullopt;
  const double d = item->valuedouble;
  if (d < std::numeric_limits<int32_t>::min() || d > std::numeric_limits<int32_t>::max() ||
      d != static_cast<double>(static_cast<int32_t>(d))) {
    return std::nullopt;
  }
  return static_cast<int32_t>(d);
}

std::optional<SecValue> FromJsonDepth(const cJSON* json, int depth) {
  if (json == nullptr || depth > 8) return std::nullopt;
  if (cJSON_IsNull(json)) return SecValue();
  if (!cJSON_IsObject(json) || json->child == nullptr || json->child->next != nullptr) {
    return std::nullopt;
  }
  const cJSON* item = json->child;
  const std::string key = item->string ? item->string : "";
  if (key == "s" && cJSON_IsString(item)) return SecValue::Text(item->valuestring);
  if (key == "i4" || key == "int") {
    auto n = JsonInt32(item);
    if (!n) return std::nullopt;
    return key == "i4" ? SecValue::I4(*n) : SecValue::Int(*n);
  }
  if (key == "a" && cJSON_IsArray(item)) {
    std::vector<SecValue> items;
    for (const cJSON* e = item->child; e != nullptr; e = e->next) {
      auto v = FromJsonDepth(e, depth + 1);
      if (!v) return std::nullopt;
      items.push_back(std::move(*v));
    }
    return SecValue::Array(std::move(items));
  }
  return std::nullopt;
}

}  // namespace

SecValue SecValue::Text(std::string text) {
  SecValue v;
  v.kind_ = Kind::kText;
  v.text_ = std::move(text);
  return v;
}

SecValue SecValue::I4(int32_t value) {
  SecValue v;
  v.kind_ = Kind::kI4;
  v.int_ = value;
  return v;
}

SecValue SecValue::Int(int32_t value) {
  SecValue v;
  v.kind_ = Kind::kInt;
  v.int_ = value;
  return v;
}

SecValue SecValue::Array(std::vector<SecValue> items) {
  SecValue v;
  v.kind_ = Kind::kArray;
  v.items_ = std::move(items);
  return v;
}

std::string SecValue::AsText() const {
  if (isText()) return text_;
  if (isInteger()) return std::to_string(int_);
  return {};
}

std::optional<int32_t> SecValue::AsInteger() const {
  if (isInteger()) return int_;
  if (isText()) return static_cast<int32_t>(std::atoi(text_.c_str()));
  return std::nullopt;
}

cJSON* SecValue::ToJson() const {
  cJSON* obj = nullptr;
  switch (kind_) {
    case Kind::kEmpty:
      return cJSON_CreateNull();
    case Kind::kText:
      obj = cJSON_CreateObject();
      cJSON_AddStringToObject(obj, "s", text_.c_str());
      return obj;
    case Kind::kI4:
    case Kind::kInt:
      obj = cJSON_CreateObject();
      cJSON_AddNumberToObject(obj, kind_ == Kind::kI4 ? "i4" : "int", int_);
      return obj;
    case Kind::kArray: {
      obj = cJSON_CreateObject();
      cJSON* arr = cJSON_AddArrayToObject(obj, "a");
      for (const auto& item : items_) cJSON_AddItemToArray(arr, item.ToJson());
      return obj;
    }
  }
  return cJSON_CreateNull();
}

std::optional<SecValue> SecValue::FromJson(const cJSON* json) {
  return FromJsonDepth(json, 0);
}

bool ReadHostPair(const SecValue& value, std::string* host, std::string* port) {
  if (!value.isArray() || value.items().empty()) return false;
  const SecValue& pair = value.items().front();
  if (!pair.isArray() || pair.items().size() != 2) return false;
  if (!pair.items()[0].isText() || !pair.items()[1].isText()) return false;
  *host = pair.items()[0].text();
  *port = pair.items()[1].text();
  return true;
}

SecValue MakeHostPair(const std::string& host, const std::string& port) {
  return SecValue::Array({SecValue::Array({SecValue::Text(host), SecValue::Text(port)})});
}

}  // namespace orbo::vcom
