#pragma once
// The serial devices of this machine behind the port numbers of the program.

#include <filesystem>
#include <string>
#include <vector>

#include "channel/PortTable.h"

namespace vadrix {

// Candidate devices in the order they get numbers: /dev/ttyUSB*, /dev/ttyACM*, /dev/ttyS*,
// each group by its number.
std::vector<std::string> ListSerialDevices(const std::filesystem::path& devDir = "/dev");
// The device opens as a terminal.
bool ProbeSerialDevice(const std::string& path);
// Reads the port table of the data directory; when there is none, it is created from the
// devices that open now.
bool LoadPortTable(const std::filesystem::path& dataDir, PortTable& table, std::string& error);
// The present ports: those whose device opens, and the ports in use.
std::vector<int> ScanPorts(const PortTable& table, const std::vector<int>& openPorts);

}  // namespace vadrix
