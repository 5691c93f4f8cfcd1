// Reads a source script as the database's command-line client reads it, so
// that the release gate can tell what the client will do with it: which
// lines are code, comments or quoted text, where statements end and which
// lines hold only "/". Text is fed in pieces of any size and line by line;
// the scanner keeps a constant amount of state whatever the file's length.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace vkt::app {

// The client whose rules of comments and quotes apply.
enum class Dialect {
  // SQL*Plus and Oracle: "--" and "/* */" comments (not nested), '...' with
  // '' inside, q'X...X' quotes (q'[...]', q'{...}', q'(...)', q'<...>' or any
  // other character closing itself), "..." names; a line that starts a
  // statement with REM or PROMPT is the client's own text to its end.
  kOracle,
  // sqlcmd and SQL Server: "--" and nested "/* */" comments, '...' with ''
  // inside, [...] names with ]] inside, "..." names with "" inside.
  kSqlServer,
};

// What the scanner tells of one line of a script.
struct ScriptLine {
  // The first words of the line outside comments and quotes, upper-cased (at
  // most kLeadWords; a word of more than kWordLength characters is cut),
  // before anything else that is no blank.
  static constexpr std::size_t kLeadWords = 6;
  static constexpr std::size_t kWordLength = 20;

  int number = 1;           // from 1
  bool only_slash = false;  // the line holds "/" alone (blanks around), outside comments and quotes
  bool has_code = false;    // the line holds more than blanks and comments
  bool ends_statement = false;  // the last thing on it outside comments is ";"
  bool lead_is_all = false;     // nothing but the lead words is code on the line
  std::size_t lead_count = 0;
  // Valid while the line is given to its reader.
  std::array<std::string_view, kLeadWords> lead;
};

// What is still open where a script ends.
enum class OpenAtEnd { kNothing, kComment, kQuote };

class ScriptScanner {
 public:
  explicit ScriptScanner(Dialect dialect) : dialect_(dialect) {}

  // Feeds the next piece of UTF-8 text. A line feed inside it ends a line,
  // as it does for the client.
  template <typename OnLine>
  void Feed(std::string_view text, OnLine&& on_line) {
    for (;;) {
      const std::size_t lf = text.find('\n');
      TakeRun(text.substr(0, lf));
      if (lf == std::string_view::npos) return;
      EndLine(on_line);
      text.remove_prefix(lf + 1);
    }
  }
  // Ends the current line (a line ended by CR or CR LF).
  template <typename OnLine>
  void EndLine(OnLine&& on_line) {
    FinishLine();
    on_line(static_cast<const ScriptLine&>(line_));
    StartLine();
  }
  // At the end of the script (after the last line was ended): what is open,
  // and the line where it was opened.
  OpenAtEnd open() const;
  int opened_on() const { return opened_on_; }

 private:
  enum class State {
    kCode,
    kLineComment,
    kBlockComment,
    kQuote,       // '...', N'...'
    kQQuote,      // q'X...X'
    kName,        // "..." or [...]
    kClientText,  // the rest of a REM or PROMPT line
  };

  // Takes a run of characters of one line: what cannot change the state (a
  // word, blanks, a comment's or a quote's text) at once, the rest one by one.
  void TakeRun(std::string_view run);
  // In code: takes a word, blanks or a character that begins nothing at the
  // start of `run`; what it took, 0 for what Take must see.
  std::size_t TakeCodeRun(std::string_view run);
  // In a comment or quotes: passes over the text before what may end them;
  // what it passed, 0 for what Take must see.
  std::size_t PassText(std::string_view run);
  void CountNonblank(std::string_view text);
  void AppendWord(std::string_view letters);
  void Take(char c);
  void TakeCode(char c);
  void TakeBlockComment(char c);
  void TakeQuoted(char c);
  // A character of code after a "/" or "-" that waited for it.
  bool TakePending(char c);
  void Open(State state, char closer);
  void EndWord();
  void Symbol(char c);
  void FinishLine();
  void StartLine();

  Dialect dialect_;
  State state_ = State::kCode;
  char closer_ = 0;        // the character that closes the quote open
  char held_ = 0;          // "/", "-", "*" or the closer: waiting for the next character
  int comment_depth_ = 0;  // of nested comments (SQL Server)
  int opened_on_ = 0;      // where the comment or quote open began
  // The word being read, upper-cased and cut, and the lead words of the line.
  std::string_view word() const { return {word_, word_size_}; }
  char word_[ScriptLine::kWordLength] = {};
  std::size_t word_size_ = 0;
  std::array<std::array<char, ScriptLine::kWordLength>, ScriptLine::kLeadWords> lead_text_{};
  bool word_open_ = false;
  bool lead_open_ = true;  // no symbol yet on the line's code
  bool line_starts_in_code_ = true;
  int nonblank_ = 0;  // characters on the line that are no blank, up to 2
  char first_nonblank_ = 0;
  char last_symbol_ = 0;  // the last character of code that is no blank nor word
  ScriptLine line_;
};

}  // namespace vkt::app
