#include "app/script_scanner.h"

namespace vkt::app {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v' || c == '\r'; }

// Letters, digits, "_", "$", "#" and every byte of a character beyond ASCII.
bool IsWordChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || c == '_' ||
         c == '$' || c == '#' || u >= 0x80;
}

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

void ScriptScanner::Take(char c) {
  if (!IsBlank(c)) {
    if (nonblank_ == 0) first_nonblank_ = c;
    ++nonblank_;
  }
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
    if (word_.size() < ScriptLine::kWordLength) word_ += Upper(c);
    word_open_ = true;
    return;
  }
  // q'X...X' and nq'X...X' in Oracle; any other word before a quote (N'...')
  // is a word of its own.
  if (c == '\'' && dialect_ == Dialect::kOracle && word_open_ && (word_ == "Q" || word_ == "NQ")) {
    word_.clear();
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
    line_.lead[line_.lead_count++] = word_;
  } else {
    lead_open_ = false;
  }
  line_.has_code = true;
  last_symbol_ = 0;
  if (first && line_starts_in_code_ && dialect_ == Dialect::kOracle && IsClientTextCommand(word_)) {
    state_ = State::kClientText;
  }
  word_.clear();
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
