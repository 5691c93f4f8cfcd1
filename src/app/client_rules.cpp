#include "app/client_rules.h"

#include <algorithm>
#include <array>
#include <initializer_list>

namespace vkt::app {
namespace {

using generate::DatabaseKind;

bool IsOneOf(std::string_view word, std::initializer_list<std::string_view> words) {
  return std::find(words.begin(), words.end(), word) != words.end();
}

// The words SQL*Plus reads after CREATE before it knows a statement creates
// a PL/SQL unit, which it then takes up to a line holding "/" alone.
bool IsUnitModifier(std::string_view word) {
  return IsOneOf(word, {"OR", "REPLACE", "EDITIONABLE", "NONEDITIONABLE"});
}
bool IsUnit(std::string_view word) {
  // PACKAGE BODY and TYPE BODY begin as PACKAGE and TYPE. A TYPE without BODY
  // (the object type itself) is taken the same way.
  return IsOneOf(word, {"PROCEDURE", "FUNCTION", "PACKAGE", "TRIGGER", "TYPE", "LIBRARY"});
}

// Words that cannot begin a statement of PL/SQL: after a ";" inside a unit,
// they show that the unit has ended without its "/" (DDL, and SQL*Plus's
// commands).
bool IsOutsidePlsql(std::string_view word) {
  return IsOneOf(word, {"CREATE", "ALTER", "DROP", "GRANT", "REVOKE", "SPOOL", "PROMPT", "EXEC",
                        "WHENEVER", "SHOW"});
}

// PL/SQL unit without "/": `phase` 0 outside a unit, 1 in the words of a
// CREATE (they may go on on the next line), 2 inside a unit or an anonymous
// block; `line` the last line of code inside it; `flag` whether that line
// ended with ";".
enum Phase { kOutside = 0, kHeader = 1, kBlock = 2 };

// Goes on with the words of a statement's beginning from `from` (phase
// kOutside: the statement's first word; kHeader: after CREATE).
void ClassifyStatement(const ScriptLine& line, RuleState* state) {
  std::size_t i = 0;
  if (state->phase == kOutside) {
    if (line.lead_count == 0) return;
    if (IsOneOf(line.lead[0], {"BEGIN", "DECLARE"})) {
      state->phase = kBlock;
      return;
    }
    if (line.lead[0] != "CREATE") return;
    state->phase = kHeader;
    i = 1;
  }
  for (; i < line.lead_count; ++i) {
    if (IsUnitModifier(line.lead[i])) continue;
    state->phase = IsUnit(line.lead[i]) ? kBlock : kOutside;
    return;
  }
  // Only the beginning of a CREATE on this line: the next line tells.
  if (!line.lead_is_all) state->phase = kOutside;
}

void UnitWithoutSlash(const ScriptLine* line, const ScriptScanner&, RuleState* state,
                      std::vector<int>* found) {
  if (line == nullptr) {
    if (state->phase == kBlock) found->push_back(state->line);
    return;
  }
  if (line->only_slash) {
    state->phase = kOutside;
    return;
  }
  if (!line->has_code) return;
  if (state->phase == kBlock) {
    if (!state->flag || line->lead_count == 0 || !IsOutsidePlsql(line->lead[0])) {
      state->line = line->number;
      state->flag = line->ends_statement;
      return;
    }
    found->push_back(state->line);
    state->phase = kOutside;
  }
  ClassifyStatement(*line, state);
  if (state->phase == kBlock) {
    state->line = line->number;
    state->flag = line->ends_statement;
  }
}

void SlashInWrappedScript(const ScriptLine* line, const ScriptScanner&, RuleState*,
                          std::vector<int>* found) {
  if (line != nullptr && line->only_slash) found->push_back(line->number);
}

void OpenComment(const ScriptLine* line, const ScriptScanner& scanner, RuleState*,
                 std::vector<int>* found) {
  if (line == nullptr && scanner.open() == OpenAtEnd::kComment) {
    found->push_back(scanner.opened_on());
  }
}

void OpenQuote(const ScriptLine* line, const ScriptScanner& scanner, RuleState*,
               std::vector<int>* found) {
  if (line == nullptr && scanner.open() == OpenAtEnd::kQuote) {
    found->push_back(scanner.opened_on());
  }
}

constexpr unsigned kOracle = DatabaseBit(DatabaseKind::kOracle);
constexpr unsigned kBoth =
    DatabaseBit(DatabaseKind::kOracle) | DatabaseBit(DatabaseKind::kSqlServer);

// clang-format off
constexpr ClientRule kClientRules[] = {
  {{"plsql_without_slash", "error",
    "A PL/SQL unit or block without a line \"/\" after its end: SQL*Plus takes what follows into it"},
   "Falta a linha / depois do bloco PL/SQL", kOracle, Framing::kBare, UnitWithoutSlash},
  {{"slash_in_data_block", "error",
    "A line \"/\" in a script that the framing puts inside a PL/SQL block: it ends the block early"},
   "Linha / dentro do bloco PL/SQL do script de dados", kOracle, Framing::kWrapped,
   SlashInWrappedScript},
  {{"open_comment", "error",
    "A script that ends inside a /* */ comment: the framing lines after it are swallowed"},
   "Comentario /* sem fim no script", kBoth, Framing::kAny, OpenComment},
  {{"open_quote", "error",
    "A script that ends inside quotes or brackets: the framing lines after it are swallowed"},
   "Aspas sem fechamento no script", kBoth, Framing::kAny, OpenQuote},
};
// clang-format on

bool Applies(const ClientRule& rule, DatabaseKind kind, bool wrapped) {
  if ((rule.databases & DatabaseBit(kind)) == 0) return false;
  return rule.framing == Framing::kAny || (rule.framing == Framing::kWrapped) == wrapped;
}

// The rules that apply to one script, fed with its text.
class RuleRun {
 public:
  RuleRun(DatabaseKind kind, bool wrapped)
      : scanner_(generate::Describe(kind).sqlplus_framing ? Dialect::kOracle
                                                          : Dialect::kSqlServer) {
    for (const ClientRule& rule : kClientRules) {
      if (Applies(rule, kind, wrapped)) rules_[count_++] = {&rule, RuleState{}};
    }
  }

  void Feed(std::string_view text) {
    scanner_.Feed(text, [this](const ScriptLine& line) { Line(&line); });
  }
  void EndLine() {
    scanner_.EndLine([this](const ScriptLine& line) { Line(&line); });
  }
  // The end of the script: the faults found, by line.
  void Finish(std::vector<RuleHit>* hits) {
    Line(nullptr);
    std::stable_sort(hits_.begin(), hits_.end(),
                     [](const RuleHit& a, const RuleHit& b) { return a.line < b.line; });
    hits->insert(hits->end(), hits_.begin(), hits_.end());
  }

 private:
  void Line(const ScriptLine* line) {
    for (std::size_t i = 0; i < count_; ++i) {
      found_.clear();
      rules_[i].rule->check(line, scanner_, &rules_[i].state, &found_);
      for (int at : found_) hits_.push_back({rules_[i].rule, at});
    }
  }

  struct Active {
    const ClientRule* rule = nullptr;
    RuleState state;
  };
  ScriptScanner scanner_;
  std::array<Active, std::size(kClientRules)> rules_{};
  std::size_t count_ = 0;
  std::vector<int> found_;
  // The faults of one script: a handful, whatever its length (each fault
  // but a "/" in a data script ends what the client reads of it).
  std::vector<RuleHit> hits_;
};

}  // namespace

std::span<const ClientRule> ClientRules() { return kClientRules; }

platform::Status ClientRuleChecker::Check(generate::DatabaseKind kind, bool wrapped,
                                          std::vector<RuleHit>* hits) {
  RuleRun run(kind, wrapped);
  bool line_ended = false;
  while (reader_.NextPiece(&piece_, &line_ended)) {
    run.Feed(piece_);
    if (line_ended) run.EndLine();
  }
  platform::Status status = reader_.status();
  if (status.ok()) run.Finish(hits);
  return status;
}

std::vector<RuleHit> CheckClientRulesOfText(std::string_view text, generate::DatabaseKind kind,
                                            bool wrapped, std::size_t piece) {
  RuleRun run(kind, wrapped);
  auto feed = [&](std::string_view line) {
    for (std::size_t at = 0; at < line.size(); at += piece) run.Feed(line.substr(at, piece));
    run.EndLine();
  };
  // Lines as LineReader gives them: CR or CR LF ends one.
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t cr = text.find('\r', start);
    if (cr == std::string_view::npos) {
      feed(text.substr(start));
      break;
    }
    feed(text.substr(start, cr - start));
    start = cr + 1;
    if (start < text.size() && text[start] == '\n') ++start;
  }
  std::vector<RuleHit> hits;
  run.Finish(&hits);
  return hits;
}

}  // namespace vkt::app
