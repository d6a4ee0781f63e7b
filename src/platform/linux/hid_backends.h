// HID device backends for the box link: hidapi (hidraw) for a box on a USB
// cable, and a SOCK_SEQPACKET socket carrying the same 1025-byte reports,
// one per packet, to the box simulator.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/hid_device.h"

namespace orbo {

// The hidapi backend for a real box; enumeration covers every HID device.
std::unique_ptr<HidBackend> MakeHidapiBackend();

// A backend that sees one box, present while a listening socket exists at
// socket_path. Its location is "USB(1)HUB(1)".
std::unique_ptr<HidBackend> MakeSeqpacketBackend(const std::string& socket_path);

// The backend the tool uses: the simulator's socket when sim_socket_path is
// not empty, hidapi otherwise.
std::unique_ptr<HidBackend> MakeHidBackend(const std::string& sim_socket_path = {});

// The parent-ID tail "<hub>&<port>" from the sysfs name of a USB interface
// ("<bus>-<port>[.<port>...]:<config>.<interface>"): the port is the last
// number of the port chain (the port the box is plugged into) and the hub is
// the number before it, i.e. the parent hub's own port, or the bus number
// when the box sits on a root hub port. "1-2.3:1.0" gives "2&3", "3-4:1.0"
// gives "3&4". Empty when the name is not of that form.
std::string UsbInterfaceNameToIdTail(std::string_view name);

}  // namespace orbo
