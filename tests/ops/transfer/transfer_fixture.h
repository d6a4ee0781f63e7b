// An operation context over a scripted transport (see OpsRig), with the
// replies of a successful file send at hand.
#pragma once

#include "link/channel/link_fakes.h"
#include "support/ops_rig.h"

namespace orbo::test {

class TransferFixture : public OpsRig {
 public:
  TransferFixture() : OpsRig(nullptr, QuickOptions()) { link.Attach(&transport); }

  static BoxLinkOptions QuickOptions() {
    BoxLinkOptions o;
    o.command_pause_ms = 0;
    return o;
  }

  // Queues the replies of a successful file send.
  void QueueSendAcks() {
    transport.Queue("OK\r");
    transport.Queue("okok!\r");
    transport.Queue("okok!\r");
    transport.Queue("okokok!");
  }

  FakeTransport transport;
};

}  // namespace orbo::test
