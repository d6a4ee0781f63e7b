#include "app/web/call_arguments.h"

#include <cmath>

#include "bridge/page_call_text.h"
#include "bridge/page_command.h"

namespace orbo {

std::optional<int32_t> ExactInt32(double number) {
  if (!std::isfinite(number)) return std::nullopt;
  if (number < -2147483648.0 || number > 2147483647.0) return std::nullopt;
  if (std::trunc(number) != number) return std::nullopt;
  if (number == 0 && std::signbit(number)) return std::nullopt;
  return static_cast<int32_t>(number);
}

CallArgs CopyCallArgs(const std::vector<PageArg>& args) {
  CallArgs out;
  for (size_t i = 0; i < args.size(); ++i) {
    const PageArg& arg = args[i];
    std::optional<CallArg> stored;
    switch (arg.type) {
      case PageArg::Type::kBoolean:
        stored = arg.boolean;
        break;
      case PageArg::Type::kNumber:
        if (std::optional<int32_t> i32 = ExactInt32(arg.number)) {
          stored = *i32;
        } else {
          stored = arg.number;
        }
        break;
      case PageArg::Type::kString:
        stored = arg.text;
        break;
      case PageArg::Type::kOther:
        break;
    }
    if (!stored) continue;
    if (out.size() < i + 1) out.resize(i + 1);
    out[i] = std::move(stored);
  }
  return out;
}

std::string ArgText(const CallArgs& args, size_t i) {
  if (i >= args.size() || !args[i]) return std::string();
  if (const auto* text = std::get_if<std::string>(&*args[i])) return *text;
  return std::string();
}

std::optional<int> AnsweredInPage(const CallArgs& args) {
  if (args.empty()) return std::nullopt;
  const int command = ParseCommandNumber(ArgText(args, 0));
  if (IsAnsweredInPage(command)) return command;
  return std::nullopt;
}

bool ReadPageCall(const CallArgs& args, std::string* v1, std::string* v2) {
  if (args.size() != 2) return false;
  *v1 = ArgText(args, 0);
  *v2 = ArgText(args, 1);
  return true;
}

}  // namespace orbo
