// The run report in the formats that pipelines show as results: JUnit XML
// (test results in Jenkins, GitLab and Azure DevOps) and SARIF 2.1.0 (code
// scanning). Like the JSON report they hold no time stamps, so that two runs
// over the same inputs give the same bytes.
#pragma once

#include <string>
#include <string_view>

#include "app/run_report.h"

namespace vkt::app {

// The description of the problem kind `id`: a row of kProblemKinds or of the
// client rules; null for an unknown kind.
const ProblemKindInfo* FindProblemKind(std::string_view id);

// Where a problem lies: its file (as in messages; "" when unknown) and line
// (0 when unknown). A problem's own file and line when it has them, else the
// path its text names (missing and unreadable files, files that could not be
// written, outside the source root or missing from the docs folder), else,
// for a missing section or an invalid NUMFILES, the file list.
struct ProblemPlace {
  std::string file;
  int line = 0;
};
ProblemPlace PlaceOf(const ReportProblem& problem, const RunReport& report);

// A path as messages show it, as a URI: "file:///srv/a%20b.ora" for an
// absolute path ("C:\x" and "\\host\share\x" in Windows' forms give
// "file:///C:/x" and "file://host/share/x"), a relative reference with "/"
// separators for a relative one. Every byte but letters, digits, "-._~" and
// the separators is percent-encoded.
std::string FileUri(std::string_view shown_path);

// JUnit XML: one test suite for the run; one test case per output (class
// name the object type, name the database), then one for the run itself
// (class name "vktgera", name "run"), each with one <failure> per problem
// (type the kind, message the text). Counts: tests = test cases, failures =
// test cases with a problem. Texts that are not UTF-8 or hold characters XML
// cannot carry have those replaced by U+FFFD.
std::string ReportJunit(const RunReport& report);

// SARIF 2.1.0: one run of the tool "vktgera" (its version; as rules, the kinds
// of the problems found, in the order of the kind tables) with one result per
// problem: ruleId the kind, level the kind's, message the text, the location
// of PlaceOf (URI and, when known, region.startLine), and for a problem of an
// output the properties "type" and "database".
std::string ReportSarif(const RunReport& report);

}  // namespace vkt::app
