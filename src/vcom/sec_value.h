// The values that cross the connection library's interface: a text, a
// 32-bit integer of one of two kinds, or an array of values. Connection
// names and parameters travel as these, to the service and back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

typedef struct cJSON cJSON;

namespace orbo::vcom {

class SecValue {
 public:
  // kI4 and kInt are both 32-bit integers; the service keeps the kind as
  // given so a reader sees what the writer sent.
  enum class Kind { kEmpty, kText, kI4, kInt, kArray };

  SecValue() = default;
  static SecValue Text(std::string text);
  static SecValue I4(int32_t value);
  static SecValue Int(int32_t value);
  static SecValue Array(std::vector<SecValue> items);

  Kind kind() const { return kind_; }
  bool isText() const { return kind_ == Kind::kText; }
  bool isInteger() const { return kind_ == Kind::kI4 || kind_ == Kind::kInt; }
  bool isArray() const { return kind_ == Kind::kArray; }
  const std::string& text() const { return text_; }
  int32_t integer() const { return int_; }
  const std::vector<SecValue>& items() const { return items_; }

  // The value as text: a text as it is, an integer in decimal, anything
  // else empty.
  std::string AsText() const;
  // An integer as it is, a text by its leading decimal integer (0 when it
  // has none), anything else nullopt.
  std::optional<int32_t> AsInteger() const;

  bool operator==(const SecValue& other) const = default;

  // {"s":TEXT} | {"i4":N} | {"int":N} | {"a":[...]} | null. The caller owns
  // the result.
  cJSON* ToJson() const;
  // nullopt for anything ToJson does not produce (or nesting deeper than 8).
  static std::optional<SecValue> FromJson(const cJSON* json);

 private:
  Kind kind_ = Kind::kEmpty;
  std::string text_;
  int32_t int_ = 0;
  std::vector<SecValue> items_;
};

// "network.host" as the service reads it: an array whose first element is
// an array of two texts, host and port. False for any other shape.
bool ReadHostPair(const SecValue& value, std::string* host, std::string* port);
SecValue MakeHostPair(const std::string& host, const std::string& port);

}  // namespace orbo::vcom
