// Two network namespaces joined by a veth pair, made for one test and
// removed with it: "pc" holds <net>.1/24, "box" holds <net>.2/24, where
// <net> is 10.201.N. Nothing of the machine's own networks is involved.
#pragma once

#include <string>

namespace orbo::test {

class NetnsPair {
 public:
  NetnsPair();
  ~NetnsPair();
  NetnsPair(const NetnsPair&) = delete;
  NetnsPair& operator=(const NetnsPair&) = delete;

  // Empty when the pair is ready; otherwise why it could not be made
  // (no root, no "ip", namespaces not allowed), for GTEST_SKIP.
  const std::string& unavailable() const { return unavailable_; }
  const std::string& pc() const { return pc_; }
  const std::string& box() const { return box_; }
  std::string Host(int host) const;  // "10.201.N.host"
  // Runs "ip -n <ns> ARGS..."; true on success.
  bool Ip(const std::string& ns, const std::string& args) const;

 private:
  bool Setup();

  std::string pc_;
  std::string box_;
  std::string prefix_;  // "10.201.N"
  std::string unavailable_;
  bool pcMade_ = false;
  bool boxMade_ = false;
};

}  // namespace orbo::test
