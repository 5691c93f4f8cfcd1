// `vktgera-seam`: `vktgera` for tests that act at a chosen point of a run.
// VKT_SEAM="KINDS:N:ACTION" runs ACTION right before the Nth call of the
// platform layer ("N+": and every later one) whose kind is among KINDS (kinds joined by "+": write,
// rename, sync, mkdir, create, remove, metadata, all). ACTION is a signal the
// process sends itself (TERM, INT, HUP, KILL) or "run " and a shell command,
// run to its end before the call goes on (another program's step at exactly
// that moment). Without the variable the program runs undisturbed. It is read
// here only: the program itself has no such hook.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>

#include "cli/main_entry.h"
#include "fs/platform/file_system.h"

namespace {

int g_signal = 0;
std::string g_command;

void SendSignal() { std::raise(g_signal); }
// The other program's status is its own affair; what it did to the files is
// what the test looks at. (A cast to void does not quiet glibc's
// warn_unused_result, which Debian's hardened flags turn on.)
void RunCommand() { [[maybe_unused]] const int status = std::system(g_command.c_str()); }

bool Arm(const std::string& text) {
  static const std::map<std::string, std::uint32_t> kKinds = {
      {"write", vkt::platform::kFaultWrite},       {"rename", vkt::platform::kFaultRename},
      {"sync", vkt::platform::kFaultSync},         {"mkdir", vkt::platform::kFaultMkdir},
      {"create", vkt::platform::kFaultCreate},     {"remove", vkt::platform::kFaultRemove},
      {"metadata", vkt::platform::kFaultMetadata}, {"all", vkt::platform::kFaultAll}};
  static const std::map<std::string, int> kSignals = {
      {"TERM", SIGTERM}, {"INT", SIGINT}, {"HUP", SIGHUP}, {"KILL", SIGKILL}};
  std::istringstream in(text);
  std::string kind_list, count, action;
  if (!std::getline(in, kind_list, ':') || !std::getline(in, count, ':') ||
      !std::getline(in, action)) {
    return false;
  }
  std::uint32_t kinds = 0;
  std::istringstream names(kind_list);
  for (std::string name; std::getline(names, name, '+');) {
    const auto kind = kKinds.find(name);
    if (kind == kKinds.end()) return false;
    kinds |= kind->second;
  }
  const int nth = std::atoi(count.c_str());
  const bool sticky = !count.empty() && count.back() == '+';
  if (nth <= 0) return false;
  if (action.rfind("run ", 0) == 0) {
    g_command = action.substr(4);
    vkt::platform::ArmAction(kinds, nth, RunCommand, sticky);
    return true;
  }
  const auto signal = kSignals.find(action);
  if (signal == kSignals.end()) return false;
  g_signal = signal->second;
  vkt::platform::ArmAction(kinds, nth, SendSignal, sticky);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (const char* seam = std::getenv("VKT_SEAM"); seam != nullptr && !Arm(seam)) {
    std::fprintf(stderr, "vktgera-seam: bad VKT_SEAM: %s\n", seam);
    return 64;
  }
  return vkt::cli::Main(argc, argv);
}
