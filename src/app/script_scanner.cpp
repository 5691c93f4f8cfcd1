#include "app/script_scanner.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace vkt::app {
namespace {

// The classes of the bytes of UTF-8 text, looked up once per byte; kOpens
// for what may begin a comment or a quote.
enum : std::uint8_t { kOther = 0, kBlank = 1, kWord = 2, kOpens = 3 };
constexpr auto kClasses = [] {
  std::array<std::uint8_t, 256> classes{};
  for (unsigned char c : {' ', '\t', '\f', '\v', '\r'}) classes[c] = kBlank;
  for (unsigned char c : {'\'', '"', '[', '/', '-'}) classes[c] = kOpens;
  // Letters, digits, "_", "$", "#" and every byte of a character beyond ASCII.
  for (int c = 0; c < 256; ++c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
        c == '$' || c == '#' || c >= 0x80) {
      classes[c] = kWord;
    }
  }
  return classes;
}();

bool IsBlank(char c) { return kClasses[static_cast<unsigned char>(c)] == kBlank; }
bool IsWordChar(char c) { return kClasses[static_cast<unsigned char>(c)] == kWord; }

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The character that closes q'X: the pair of an opening bracket, else X.
char QuoteCloser(char delimiter) {
  switch (delimiter) {
    case '[':
      return ']';
    case '{':
      return '}';
    case '(':
      return ')';
    case '<':
      return '>';
    default:
      return delimiter;
  }
}

// SQL*Plus's REMARK and PROMPT, as far as it lets them be shortened.
bool IsClientTextCommand(std::string_view word) {
  return word == "REM" || word == "REMA" || word == "REMAR" || word == "REMARK" || word == "PRO" ||
         word == "PROM" || word == "PROMP" || word == "PROMPT";
}

}  // namespace

OpenAtEnd ScriptScanner::open() const {
  switch (state_) {
    case State::kBlockComment:
      return OpenAtEnd::kComment;
    case State::kQuote:
    case State::kQQuote:
    case State::kName:
      return OpenAtEnd::kQuote;
    default:
      return OpenAtEnd::kNothing;
  }
}

void ScriptScanner::TakeRun(std::string_view run) {
  while (!run.empty()) {
    std::size_t taken = state_ == State::kCode ? TakeCodeRun(run) : PassText(run);
    if (taken == 0) {
      Take(run.front());
      taken = 1;
    }
    run.remove_prefix(taken);
  }
}

std::size_t ScriptScanner::TakeCodeRun(std::string_view run) {
  if (held_ != 0) return 0;
  auto span = [&](std::uint8_t cls) {
    std::size_t n = 1;
    while (n < run.size() && kClasses[static_cast<unsigned char>(run[n])] == cls) ++n;
    return n;
  };
  const char c = run.front();
  switch (kClasses[static_cast<unsigned char>(c)]) {
    case kWord: {
      const std::size_t n = span(kWord);
      CountNonblank(run.substr(0, n));
      AppendWord(run.substr(0, n));
      return n;
    }
    case kBlank:
      EndWord();
      return span(kBlank);
    case kOpens:
      return 0;
    default:
      CountNonblank(run.substr(0, 1));
      EndWord();
      // A REM or PROMPT word made the rest of the line the client's.
      if (state_ == State::kCode) Symbol(c);
      return 1;
  }
}

std::size_t ScriptScanner::PassText(std::string_view run) {
  if (held_ != 0) return 0;
  std::size_t n = run.size();
  switch (state_) {
    case State::kLineComment:
    case State::kClientText:
      break;
    case State::kBlockComment:
      n = run.find_first_of(dialect_ == Dialect::kSqlServer ? "*/" : "*");
      break;
    case State::kQQuote:
      if (closer_ == 0) return 0;
      [[fallthrough]];
    case State::kQuote:
    case State::kName:
      n = run.find(closer_);
      break;
    case State::kCode:
      return 0;
  }
  if (n == std::string_view::npos) n = run.size();
  CountNonblank(run.substr(0, n));
  return n;
}

void ScriptScanner::CountNonblank(std::string_view text) {
  for (char c : text) {
    if (nonblank_ >= 2) return;
    if (IsBlank(c)) continue;
    if (nonblank_ == 0) first_nonblank_ = c;
    ++nonblank_;
  }
}

void ScriptScanner::AppendWord(std::string_view letters) {
  // Only a lead word, or a "Q" or "NQ" before a quote, is ever looked at:
  // three letters tell that a word is neither.
  const std::size_t keep =
      lead_open_ && line_.lead_count < ScriptLine::kLeadWords ? ScriptLine::kWordLength : 3;
  for (char c : letters) {
    if (word_size_ >= keep) break;
    word_[word_size_++] = Upper(c);
  }
  word_open_ = true;
}

void ScriptScanner::Take(char c) {
  CountNonblank(std::string_view(&c, 1));
  switch (state_) {
    case State::kCode:
      TakeCode(c);
      break;
    case State::kBlockComment:
      TakeBlockComment(c);
      break;
    case State::kQuote:
    case State::kQQuote:
    case State::kName:
      TakeQuoted(c);
      break;
    case State::kLineComment:
    case State::kClientText:
      break;
  }
}

bool ScriptScanner::TakePending(char c) {
  const char held = held_;
  held_ = 0;
  if (held == '/' && c == '*') {
    Open(State::kBlockComment, 0);
    comment_depth_ = 1;
    return true;
  }
  if (held == '-' && c == '-') {
    state_ = State::kLineComment;
    return true;
  }
  Symbol(held);
  return false;
}

void ScriptScanner::TakeCode(char c) {
  if (held_ != 0 && TakePending(c)) return;
  if (IsWordChar(c)) {
    AppendWord(std::string_view(&c, 1));
    return;
  }
  // q'X...X' and nq'X...X' in Oracle; any other word before a quote (N'...')
  // is a word of its own.
  if (c == '\'' && dialect_ == Dialect::kOracle && word_open_ &&
      (word() == "Q" || word() == "NQ")) {
    word_size_ = 0;
    word_open_ = false;
    Open(State::kQQuote, 0);
    return;
  }
  EndWord();
  // A REM or PROMPT word made the rest of the line the client's.
  if (state_ != State::kCode || IsBlank(c)) return;
  if (c == '\'') {
    Open(State::kQuote, '\'');
  } else if (c == '"') {
    Open(State::kName, '"');
  } else if (c == '[' && dialect_ == Dialect::kSqlServer) {
    Open(State::kName, ']');
  } else if (c == '/' || c == '-') {
    held_ = c;
  } else {
    Symbol(c);
  }
}

void ScriptScanner::TakeBlockComment(char c) {
  const char held = held_;
  held_ = 0;
  if (held == '*' && c == '/') {
    if (--comment_depth_ == 0) state_ = State::kCode;
    return;
  }
  // SQL Server nests comments; Oracle ends one at the first "*/".
  if (held == '/' && c == '*' && dialect_ == Dialect::kSqlServer) {
    ++comment_depth_;
    return;
  }
  if (c == '*' || (c == '/' && dialect_ == Dialect::kSqlServer)) held_ = c;
}

void ScriptScanner::TakeQuoted(char c) {
  if (state_ == State::kQQuote && closer_ == 0) {
    closer_ = QuoteCloser(c);
    return;
  }
  if (held_ != 0) {
    held_ = 0;
    if (state_ == State::kQQuote) {
      // X' closes q'X...: another X waits again for the quote.
      if (c == '\'') {
        state_ = State::kCode;
      } else if (c == closer_) {
        held_ = c;
      }
      return;
    }
    // A doubled closer stands for itself; anything else follows the quote.
    if (c == closer_) return;
    state_ = State::kCode;
    TakeCode(c);
    return;
  }
  if (c == closer_) held_ = c;
}

void ScriptScanner::Open(State state, char closer) {
  state_ = state;
  closer_ = closer;
  held_ = 0;
  opened_on_ = line_.number;
  // A comment is no code; quoted text is.
  if (state != State::kBlockComment) Symbol('\'');
}

void ScriptScanner::EndWord() {
  if (!word_open_) return;
  word_open_ = false;
  const bool first = line_.lead_count == 0 && lead_open_;
  if (lead_open_ && line_.lead_count < ScriptLine::kLeadWords) {
    std::copy_n(word_, word_size_, lead_text_[line_.lead_count].begin());
    line_.lead[line_.lead_count] = {lead_text_[line_.lead_count].data(), word_size_};
    ++line_.lead_count;
  } else {
    lead_open_ = false;
  }
  line_.has_code = true;
  last_symbol_ = 0;
  if (first && line_starts_in_code_ && dialect_ == Dialect::kOracle &&
      IsClientTextCommand(word())) {
    state_ = State::kClientText;
  }
  word_size_ = 0;
}

void ScriptScanner::Symbol(char c) {
  line_.has_code = true;
  lead_open_ = false;
  last_symbol_ = c;
}

void ScriptScanner::FinishLine() {
  switch (state_) {
    case State::kCode:
      if (held_ != 0) Symbol(held_);
      held_ = 0;
      EndWord();
      break;
    case State::kQuote:
    case State::kName:
      // A closer that ends the line closes the quote.
      if (held_ != 0) state_ = State::kCode;
      held_ = 0;
      break;
    case State::kQQuote:
      // q' at the end of a line has no delimiter: a plain quote is open.
      if (closer_ == 0) {
        state_ = State::kQuote;
        closer_ = '\'';
      }
      held_ = 0;
      break;
    case State::kBlockComment:
      held_ = 0;
      break;
    case State::kLineComment:
    case State::kClientText:
      state_ = State::kCode;
      break;
  }
  line_.only_slash = line_starts_in_code_ && nonblank_ == 1 && first_nonblank_ == '/';
  line_.ends_statement = last_symbol_ == ';';
  line_.lead_is_all = lead_open_;
}

void ScriptScanner::StartLine() {
  const int next = line_.number + 1;
  line_.number = next;
  line_.only_slash = line_.has_code = line_.ends_statement = line_.lead_is_all = false;
  line_.lead_count = 0;
  lead_open_ = true;
  line_starts_in_code_ = state_ == State::kCode;
  nonblank_ = 0;
  first_nonblank_ = 0;
  last_symbol_ = 0;
}

}  // namespace vkt::app
