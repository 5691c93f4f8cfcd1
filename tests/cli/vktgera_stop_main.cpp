// `vktgera-stop`: `vktgera` for tests that stop a run at a chosen point.
// VKT_STOP_AT="KINDS:N:SIGNAL" sends SIGNAL to the process right before the
// Nth call of the platform layer whose kind is among KINDS (kinds joined by
// "+": write, rename, sync, mkdir, create, remove, metadata, all; signals:
// TERM, INT, HUP, KILL). Without it the program runs undisturbed. The
// variable is read here only: the program itself has no such hook.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>

#include "cli/main_entry.h"
#include "fs/platform/file_system.h"

namespace {

bool ParseStop(const std::string& text, std::uint32_t* kinds, int* nth, int* signal_number) {
  static const std::map<std::string, std::uint32_t> kKinds = {
      {"write", vkt::platform::kFaultWrite},       {"rename", vkt::platform::kFaultRename},
      {"sync", vkt::platform::kFaultSync},         {"mkdir", vkt::platform::kFaultMkdir},
      {"create", vkt::platform::kFaultCreate},     {"remove", vkt::platform::kFaultRemove},
      {"metadata", vkt::platform::kFaultMetadata}, {"all", vkt::platform::kFaultAll}};
  static const std::map<std::string, int> kSignals = {
      {"TERM", SIGTERM}, {"INT", SIGINT}, {"HUP", SIGHUP}, {"KILL", SIGKILL}};
  std::istringstream in(text);
  std::string kind_list, count, signal_name;
  if (!std::getline(in, kind_list, ':') || !std::getline(in, count, ':') ||
      !std::getline(in, signal_name)) {
    return false;
  }
  *kinds = 0;
  std::istringstream names(kind_list);
  for (std::string name; std::getline(names, name, '+');) {
    const auto kind = kKinds.find(name);
    if (kind == kKinds.end()) return false;
    *kinds |= kind->second;
  }
  const auto signal = kSignals.find(signal_name);
  *nth = std::atoi(count.c_str());
  if (signal == kSignals.end() || *nth <= 0) return false;
  *signal_number = signal->second;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (const char* stop = std::getenv("VKT_STOP_AT")) {
    std::uint32_t kinds = 0;
    int nth = 0, signal_number = 0;
    if (!ParseStop(stop, &kinds, &nth, &signal_number)) {
      std::fprintf(stderr, "vktgera-stop: bad VKT_STOP_AT: %s\n", stop);
      return 64;
    }
    vkt::platform::ArmStop(kinds, nth, signal_number);
  }
  return vkt::cli::Main(argc, argv);
}
