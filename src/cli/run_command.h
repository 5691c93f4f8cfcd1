// The run of `vktgera install` and `vktgera numbering`: one press of "Gera
// Install" or "Gera Numeração" of the window, reported on the terminal; and
// `vktgera check`, the same installation as a dry run with the release
// checks added.
#pragma once

#include <cstdio>

#include "cli/options.h"
#include "cli/terminal_desktop.h"

namespace vkt::cli {

// Exit statuses.
inline constexpr int kExitClean = 0;     // the run ended and reported nothing
inline constexpr int kExitProblems = 1;  // an install or check run reported problems
inline constexpr int kExitNoRun = 2;     // the run could not start

// Runs the command of `options` (install or numbering) through the window's
// button handler. `out` receives the message lines after the first (empty)
// one, one per line, in UTF-8, each as the run shows it (at the latest when
// its generation call ends); `err` every message box as "TITLE: TEXT" ("FIM"
// included) and the reason a run could not start; `terminal` (nullptr: none)
// the progress line, cleared before each line and box and at the end. `out`
// is flushed before anything goes to `err`, and a box follows the lines
// added before it, so that both streams in one place read in the order of
// the run; "FIM" comes after every line on `out`
// (check's findings and manifest failures included).
// Returns the exit status: 0 ended with nothing reported (a numbering run
// that ran always), 1 an install run reported message lines or error boxes,
// 2 the run could not start (main configuration missing, unreadable or with
// an unusable code page, unknown repository, incomplete repository
// configuration, a repository setting the ini reader cut, another run
// writing, a lock file not the user's). With --wait, a writing run that
// finds another run's lock first writes the line "vktgera: aguardando a
// trava de FOLDER" (with the holder where the system tells, as in the box)
// on `err` and waits up to that many seconds.
//
// The release gate's additions, none of which changes what a plain install
// or numbering run writes or prints:
//  - check: runs the installation with RunOptions::dry_run (nothing on disk
//    changes), prints its message lines as install would, then the findings
//    of app::CheckObjectType for every object type it called; 1 when
//    anything was reported.
//  - --report / --report-html / --report-junit / --report-sarif (install,
//    check): the run's report, written after the run (app::ReportJson,
//    app::ReportHtml, app::ReportJunit, app::ReportSarif; app::WriteWholeFile:
//    a stream where the path names one, after `out` is flushed); a report
//    that cannot be written is a line on `err` and status 1. A report named
//    onto a folder, onto a file the run reads or writes (app::RunFileAt), or
//    two reports onto one file, is a usage error found before the run
//    starts: "vktgera: --report FILE would replace an input of the run (the
//    file list)", "... an output of the run (...)" (the other report: "the
//    JSON report", "the HTML report", "the JUnit report"), "... is a folder"
//    on `err`, status 2, nothing written.
//  - --manifest (install): SHA256SUMS in both "02-ATUALIZACAO" folders after
//    the run; a failure is the line "Erro ao gravar o manifesto: " + path +
//    " - " + reason on `out` and status 1.
//  - --write (numbering): the shown FILEn names go into the type's section of
//    the file list (app::UpdateFileList), with a summary line on `err`; a
//    failure is a line on `err` and status 1, and so is each name left out
//    because the list would not give it back as it is ("vktgera: not
//    written: " + app::ShownName(name) + " - " + why, before the summary).
// --list-repos prints the non-empty repository names on `out`, one per line,
// and returns 0 (2 when the main configuration cannot be read).
// Writes to `out` and `err` that fail are noted (cli/output.h) and do not
// change the status returned here; FinishOutput applies them at exit.
int RunCommand(const Options& options, std::FILE* out, std::FILE* err, ProgressTerminal* terminal);

// The same on stdout and stderr, with the progress line on stderr's terminal
// when it is one.
int RunCommand(const Options& options);

}  // namespace vkt::cli
