// What the simulated box is and how it misbehaves: identity, versions,
// network reports, files it holds, passwords and fault options. Read from a
// JSON profile; command-line flags override single fields.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace boxsim {

struct HeldFile {
  std::string path;     // a local file served as it is, or
  std::string content;  // inline bytes
  bool from_path = false;
};

struct Faults {
  std::set<std::string> error;   // command names answered "ERROR\r"
  std::set<std::string> silent;  // command names not answered at all
  long long dropAfter = -1;      // close the connection after this many data bytes
  bool wrongDigest = false;      // fetched files announce a wrong digest
  int delayMs = 0;               // pause before every reply
  std::string floodText = "NOISE!";
  int floodCount = 0;                        // copies sent before each flooded reply
  std::set<std::string> floodOn = {"acks"};  // command names, "acks" = transfer acknowledgements
  int dripMs = 0;                            // replies go out a byte at a time, this far apart
  std::set<std::string> cutReply;            // commands whose reply stops half-way, then hang-up
  long long stallAfter = -1;        // stop moving file data after this many bytes, stay connected
  bool splitHeader = false;         // a fetch's header goes out as 20 + 24 bytes
  long long headerSize = -1;        // the size a fetch's header announces, whatever is sent
  std::set<std::string> resetOn;    // commands that make the box go away unanswered
  std::set<std::string> hostileOn;  // commands answered with 64 KiB of quotes, markup, controls
};

struct Profile {
  std::string hostName = "ORBO-BOX";
  std::string hmiType = "OP-X70";
  std::string serial = "ORBO-SN-0001";
  int mode = 0;
  std::string timeZone;
  std::string tzReply = "auto";  // auto | fail | error
  std::vector<std::string> versions = {"fsFLASHVER:V1.2.0-P:FS", "OSVER:V2.0.0"};
  bool hasVersionPrefix = false;
  std::string versionPrefix;  // replaces the 4-digit length text when set
  bool hasNetworkJson = true;
  std::string networkJson =
      R"({"conNetType":0,"pingTime":"12.0/15.5/20.1","ethEnable":1,"ethIp":"192.168.1.20","ethMac":"00:11:22:33:44:55"})";
  std::string networkText = "eth0:0,ip:192.168.1.20\n,ping:12ms\n;";
  std::map<std::string, HeldFile> files;
  std::string password;
  std::set<std::string> passwordFiles = {"cloudprj.kzrp"};
  bool uploadProhibited = false;
  std::string announceReply = "OK\r";
  std::vector<std::string> acks = {"okok!\r", "okok!\r", "okokok!"};
  std::vector<std::string> badDigestAcks = {"ERROR\r", "ERROR\r"};
  std::map<std::string, std::vector<std::string>> firmwareUpdates;
  int resetMs = 2000;
  Faults faults;
};

// Fills profile from a JSON document; fields it does not name keep their
// values. False with *error set when the text is not a JSON object or a
// field has the wrong type.
bool LoadProfileJson(const std::string& text, Profile* profile, std::string* error);

}  // namespace boxsim
