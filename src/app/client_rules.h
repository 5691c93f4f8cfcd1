// What the databases' command-line clients will do wrong with a source
// script once the generation has framed it into an installation script: the
// release gate's rules, one row each in kClientRules. Each script is read as
// the generation reads it (LineReader, in the run's code page) and as the
// client reads it (ScriptScanner), in constant memory.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/run_report.h"
#include "app/script_scanner.h"
#include "fs/platform/file_system.h"
#include "generate/database_kind.h"
#include "generate/script_io.h"
#include "text/codepage.h"

namespace vkt::app {

// Where a rule looks: the scripts the framing puts inside a PL/SQL block of
// its own (the Oracle data types, generate::FileOpening::block_opening), the
// others, or all.
enum class Framing { kAny, kBare, kWrapped };

// What a rule remembers while a script is read; each rule says what its
// fields mean.
struct RuleState {
  int phase = 0;
  int line = 0;
  bool flag = false;
};

struct ClientRule {
  ProblemKindInfo kind;
  // The finding's text before ": <path> (linha <n>)".
  std::string_view message;
  // The database kinds whose scripts it reads, one bit each
  // (DatabaseBit), and their framing.
  unsigned databases;
  Framing framing;
  // Called with each line of the script in turn and once more with null at
  // its end; appends the line of each fault found to `found`.
  void (*check)(const ScriptLine* line, const ScriptScanner& scanner, RuleState* state,
                std::vector<int>* found);
};

constexpr unsigned DatabaseBit(generate::DatabaseKind kind) {
  return 1U << static_cast<unsigned>(kind);
}

// The rules, in the order their findings of one line are given.
std::span<const ClientRule> ClientRules();

// One fault: the rule broken and the line (from 1).
struct RuleHit {
  const ClientRule* rule;
  int line;
  bool operator==(const RuleHit&) const = default;
};

// Reads source scripts through the rules, one after another with the same
// buffers.
class ClientRuleChecker {
 public:
  // Where the next script is opened (either LineReader::Open, in the run's
  // code page).
  generate::LineReader& reader() { return reader_; }
  // Reads the script open in reader() through every rule that applies to a
  // script of the kind `kind` framed as `wrapped` tells, and appends what
  // they find to `hits`, ordered by line (rules of one line in table order).
  // Fails when the script cannot be read; nothing is appended then.
  platform::Status Check(generate::DatabaseKind kind, bool wrapped, std::vector<RuleHit>* hits);

 private:
  generate::LineReader reader_;
  std::string piece_;
};

// The same for the script `text` (UTF-8), each line fed in pieces of at most
// `piece` bytes (tests).
std::vector<RuleHit> CheckClientRulesOfText(std::string_view text, generate::DatabaseKind kind,
                                            bool wrapped,
                                            std::size_t piece = std::string_view::npos);

}  // namespace vkt::app
