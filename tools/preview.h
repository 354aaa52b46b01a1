// The preview of qd_rc commands for integrators: qd_rc's own code runs the commands against a
// scratch copy of the settings on the recording platform, so nothing is executed and no root
// is needed. The report has the sections of the simulated gateway's (docs/simulator.md) for
// what the program itself does: per command its exit status, standard output and error, the
// messages of its children (the console), every shell line in order, children's included, and
// the changes to the working copy; then the driver profile. Or, as Graphviz dot, the gateway
// that the shell lines build.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace preview {

struct Options {
  std::string mac = "00:0c:43:30:52:80";  // ra0's address, as the simulated gateway's default
  bool gpio_absent = false;               // else /dev/gpio refuses the LED request, as there
  bool graph = false;                     // Graphviz dot instead of the report
  bool explain = false;                   // each line followed by the settings it was made from
  bool json = false;                      // the report as one JSON document (explained)
  std::string rootfs;                     // a staged target root to look the files up in
};

// Runs the commands ("wlan start", one text each, words split at blanks) in order on one
// scratch gateway laid from the settings file `file` (named `name`): text gives the image and
// the same working copy, as the simulated gateway lays them; an image stays as it is, with its
// entries as the working copy; a working copy stays as it is, without an image. The report (or
// the graph, or the JSON document) goes to `out`. Returns 0; 1 when a file that the commands
// use is missing or broken in the staged root `options.rootfs`; 2 with the reason in `out` when
// the file holds no settings.
int run(std::string_view file, const std::string& name, const std::vector<std::string>& commands,
        const Options& options, std::string& out);

// What the driver profile tells of one SSID, as the driver reads its lists (item i for raI).
struct SsidFacts {
  std::string name;       // SSID=
  std::string security;   // AuthMode= and EncrypType=, e.g. "WPA2PSK/AES"
  bool hidden = false;    // HideSSID= 1
  bool isolated = false;  // NoForwarding= 1: clients do not reach each other
};

// Each SSID's facts, from a driver profile's text (none from an empty one).
std::vector<SsidFacts> ssid_facts(std::string_view profile);

// The gateway that these shell lines build (recorded lines, console redirection included),
// as Graphviz dot; raI's node shows `ssids[I]`.
std::string gateway_graph(const std::vector<std::string>& lines, const std::vector<SsidFacts>& ssids);

}  // namespace preview
