#include "bridge/unavailable_services.h"

#include "base/logger.h"

namespace orbo {

int UnavailablePassThrough::ApplyPassThrough(const std::string&) {
  ORBO_LOG_WARN("serial pass-through not available: the tool runs without its virtual port");
  return -1;
}

int UnavailablePassThrough::EndPassThrough() {
  ORBO_LOG_WARN("serial pass-through not available: the tool runs without its virtual port");
  return -1;
}

}  // namespace orbo
