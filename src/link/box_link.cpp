#include "link/box_link.h"

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
  if (!hid_ || !HidScan(*hid_, record_)) return false;
  record_.device = hid_->Open(record_.devicePath);
  record_.open = record_.device != nullptr;
  if (!record_.open) {
    ORBO_LOG_DEBUG("cannot open %s", record_.devicePath.c_str());
    return false;
  }
  usb_ = std::make_unique<UsbTransport>(record_.device.get(), options_.usb);
  current_ = usb_.get();
  return true;
}

bool BoxLink::ConnectTcp(const std::string& address, int port) {
  current_ = &tcp_;
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

bool BoxLink::Write(const void* data, size_t length, int64_t* count) {
  *count = 0;
  return current_ && current_->Write(data, length, count);
}

bool BoxLink::Read(void* buffer, size_t length, int64_t* count) {
  *count = 0;
  return current_ && current_->Read(buffer, length, count);
}

void BoxLink::Purge() {
  if (current_) current_->Purge();
}

bool BoxLink::SendCommand(std::string_view command, ReplyBuffer* reply) {
  if (!current_) return false;  // no transport: the write cannot start
  return ExchangeCommand(*current_, sleeper_, options_, command, reply);
}

bool ExchangeCommand(Transport& transport, Sleeper& sleeper, const BoxLinkOptions& options,
                     std::string_view command, ReplyBuffer* reply) {
  transport.Purge();
  int64_t count = 0;
  if (!transport.Write(command.data(), command.size(), &count)) return false;
  bool result = true;
  if (reply) {
    for (int i = 0; i < options.reply_reads; ++i) {
      transport.Read(reply->data(), reply->size(), &count);
      if (reply->data()[0] != 0) break;
    }
    std::string_view text = reply->Text();
    result = !text.empty() && text != "ERROR\r";
  }
  transport.Purge();
  sleeper.SleepMs(options.command_pause_ms);
  return result;
}

bool BuildLink(BoxLink& link, const std::string& connect_mode, const std::string& box_address,
               int box_port) {
  if (connect_mode == "USB:Download") return link.ConnectUsb();
  if (connect_mode == "LocalNetwork") return link.ConnectTcp(box_address, box_port);
  return false;
}

}  // namespace orbo
