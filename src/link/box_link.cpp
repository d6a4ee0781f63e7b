#include "link/box_link.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "base/logger.h"

namespace orbo {

void ReplyBuffer::Clear() {
  std::memset(bytes_, 0, sizeof(bytes_));
}

std::string_view ReplyBuffer::Text() const {
  const void* zero = std::memchr(bytes_, 0, sizeof(bytes_));
  size_t length =
      zero ? static_cast<size_t>(static_cast<const char*>(zero) - bytes_) : sizeof(bytes_);
  return std::string_view(bytes_, length);
}

BoxLink::BoxLink(HidBackend* hid, Sleeper& sleeper, BoxLinkOptions options)
    : hid_(hid), sleeper_(sleeper), options_(options), tcp_(options.tcp) {}

BoxLink::~BoxLink() {
  Close();
}

bool BoxLink::ConnectUsb() {
  Close();  // the record is closed from here on
  if (interrupted() || !hid_ || !HidScan(*hid_, record_)) return false;
  record_.device = hid_->Open(record_.devicePath);
  record_.open = record_.device != nullptr;
  if (!record_.open) {
    ORBO_LOG_DEBUG("cannot open %s", record_.devicePath.c_str());
    return false;
  }
  usb_ = std::make_unique<UsbTransport>(record_.device.get(), options_.usb, &interrupted_);
  current_ = usb_.get();
  return true;
}

bool BoxLink::ConnectTcp(const std::string& address, int port) {
  current_ = &tcp_;
  if (interrupted()) {
    tcp_.Close();
    return false;
  }
  return tcp_.Connect(address, port);
}

void BoxLink::CloseRecord() {
  if (current_ == usb_.get()) current_ = nullptr;
  usb_.reset();
  record_.open = false;
  record_.locationName.clear();
  record_.devicePath.clear();
  record_.device.reset();
}

void BoxLink::Close() {
  CloseRecord();
  tcp_.Close();
  current_ = nullptr;
}

int64_t BoxLink::LeftMs() const {
  if (!deadline_) return INT32_MAX;
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(*deadline_ - Clock::now()).count();
  return std::clamp<int64_t>(left, 0, INT32_MAX);
}

void BoxLink::Interrupt() {
  interrupted_ = true;
  tcp_.Shutdown();
}

bool BoxLink::Write(const void* data, size_t length, int64_t* count) {
  *count = 0;
  if (!current_ || interrupted() || LeftMs() == 0) return false;
  return current_->Write(data, length, count);
}

bool BoxLink::Read(void* buffer, size_t length, int64_t* count) {
  *count = 0;
  if (!current_ || interrupted()) return false;
  if (!deadline_) return current_->Read(buffer, length, count);
  return ReadWithin(buffer, length, count, INT32_MAX);
}

bool BoxLink::ReadWithin(void* buffer, size_t length, int64_t* count, int wait_ms) {
  *count = 0;
  const int64_t left = std::min<int64_t>(LeftMs(), wait_ms);
  if (!current_ || interrupted() || left <= 0) return false;
  return current_->ReadWithin(buffer, length, count, static_cast<int>(left));
}

void BoxLink::Purge() {
  if (current_ && !interrupted()) current_->Purge();
}

bool BoxLink::ReadRecord(void* buffer, size_t length, int wait_ms, int64_t* count) {
  LinkDeadline deadline(*this, wait_ms);
  auto* out = static_cast<uint8_t*>(buffer);
  size_t got = 0;
  while (got < length) {
    int64_t n = 0;
    ReadWithin(out + got, length - got, &n, INT32_MAX);
    if (n <= 0) break;  // the wait ran out, the read failed or the box closed
    got += std::min(static_cast<size_t>(n), length - got);
  }
  *count = static_cast<int64_t>(got);
  return got == length;
}

bool BoxLink::ReadReply(void* buffer, size_t length, int wait_ms, int64_t* count) {
  auto* out = static_cast<uint8_t*>(buffer);
  size_t got = 0;
  int64_t n = 0;
  {
    LinkDeadline deadline(*this, wait_ms);
    ReadWithin(out, length, &n, INT32_MAX);
  }
  if (n > 0) got = std::min(static_cast<size_t>(n), length);
  LinkDeadline rest(*this, wait_ms);
  while (n > 0 && got < length) {
    n = 0;
    ReadWithin(out + got, length - got, &n, options_.reply_gap_ms);
    if (n > 0) got += std::min(static_cast<size_t>(n), length - got);
  }
  *count = static_cast<int64_t>(got);
  return got > 0;
}

bool BoxLink::SendCommand(std::string_view command, ReplyBuffer* reply) {
  if (!current_) return false;  // no transport: the write cannot start
  return ExchangeCommand(guarded_, sleeper_, options_, command, reply);
}

LinkDeadline::LinkDeadline(BoxLink& link, int64_t ms) : link_(link), previous_(link.deadline()) {
  const auto mine = BoxLink::Clock::now() + std::chrono::milliseconds(std::max<int64_t>(ms, 0));
  link_.set_deadline(previous_ ? std::min(*previous_, mine) : mine);
}

bool ExchangeCommand(Transport& transport, Sleeper& sleeper, const BoxLinkOptions& options,
                     std::string_view command, ReplyBuffer* reply) {
  using Clock = std::chrono::steady_clock;
  transport.Purge();
  int64_t count = 0;
  if (!transport.Write(command.data(), command.size(), &count)) return false;
  bool result = true;
  int64_t gap_spent_ms = 0;
  if (reply) {
    // The first bytes: up to reply_reads reads, all within one link wait.
    const auto first_deadline = Clock::now() + std::chrono::milliseconds(LinkWaitMs(options));
    size_t got = 0;
    for (int i = 0; i < options.reply_reads; ++i) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(first_deadline - Clock::now())
              .count();
      if (left <= 0) break;
      count = 0;
      transport.ReadWithin(reply->data(), reply->size(), &count, static_cast<int>(left));
      if (reply->data()[0] != 0) {
        got = static_cast<size_t>(std::clamp<int64_t>(count, 1, reply->size()));
        break;
      }
    }
    // The rest of a reply that arrives in pieces, within one more link wait.
    const auto gap_start = Clock::now();
    const auto rest_deadline = gap_start + std::chrono::milliseconds(LinkWaitMs(options));
    while (got > 0 && got < reply->size() && Clock::now() < rest_deadline) {
      count = 0;
      transport.ReadWithin(reply->data() + got, reply->size() - got, &count, options.reply_gap_ms);
      if (count <= 0) break;
      got += std::min(static_cast<size_t>(count), reply->size() - got);
    }
    gap_spent_ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - gap_start).count();
    std::string_view text = reply->Text();
    result = !text.empty() && text != "ERROR\r";
  }
  transport.Purge();
  sleeper.SleepMs(std::max<int64_t>(0, options.command_pause_ms - gap_spent_ms));
  return result;
}

bool BuildLink(BoxLink& link, const std::string& connect_mode, const std::string& box_address,
               int box_port) {
  if (connect_mode == "USB:Download") return link.ConnectUsb();
  if (connect_mode == "LocalNetwork") return link.ConnectTcp(box_address, box_port);
  return false;
}

}  // namespace orbo
