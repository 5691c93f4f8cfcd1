#include "app/run_report.h"

#include "generate/docs_e_bats.h"
#include "generate/framing.h"
#include "generate/gera_script.h"

#include <algorithm>
#include <utility>

#include <nlohmann/json.hpp>

#include "app/pipeline_reports.h"
#include "app/startup.h"
#include "app/version.h"

namespace vkt::app {
namespace {

using Json = nlohmann::ordered_json;

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}
bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

Json ProblemsJson(const std::vector<ReportProblem>& problems) {
  Json list = Json::array();
  for (const ReportProblem& p : problems) list.push_back(Json{{"kind", p.kind}, {"text", p.text}});
  return list;
}

Json OutputJson(const ReportOutput& output) {
  Json out;
  out["type"] = output.type;
  out["database"] = output.database;
  out["output_file"] = output.output_file.empty() ? Json(nullptr) : Json(output.output_file);
  out["written"] = output.written;
  out["size"] = output.written ? Json(output.size) : Json(nullptr);
  out["sha256"] = output.written ? Json(output.sha256) : Json(nullptr);
  Json entries = Json::array();
  for (const ReportEntry& e : output.entries) {
    Json entry;
    entry["number"] = e.number;
    entry["name"] = e.name;
    entry["file"] = e.file;
    entry["found"] = e.found;
    entry["size"] = e.found ? Json(e.size) : Json(nullptr);
    entry["sha256"] = e.found ? Json(e.sha256) : Json(nullptr);
    entries.push_back(std::move(entry));
  }
  out["entries"] = std::move(entries);
  out["problems"] = ProblemsJson(output.problems);
  return out;
}

// The page's style: readable without any external file.
constexpr std::string_view kStyle =
    "body{font-family:sans-serif;margin:2em;color:#222}"
    // Long paths and digests break anywhere, so no table is wider than the
    // page: a 1280-pixel window shows every column without scrolling.
    "table{border-collapse:collapse;margin:0.5em 0 1.5em;max-width:100%}"
    "th,td{border:1px solid #bbb;padding:0.2em 0.5em;text-align:left;vertical-align:top;"
    "overflow-wrap:break-word}"
    "th{background:#eee;white-space:nowrap}td.num{text-align:right;white-space:nowrap}"
    "code{font-size:90%;overflow-wrap:anywhere}code.sha{font-size:75%}"
    "tr.problem td{background:#fde2e1;color:#8a1111;font-weight:bold}"
    "td.kind{color:#8a1111;font-weight:bold;min-width:12em}"
    "td.kind code{display:block;font-weight:normal;color:#666}"
    "p.clean{color:#1b6e1b}p.outcome{font-size:110%}"
    "details{margin:0.2em 0}details>table,details>p{margin-left:1.2em}"
    "summary{cursor:pointer;padding:0.1em 0}"
    "details.problem>summary{color:#8a1111;font-weight:bold}"
    "details:target>summary{background:#fff3bf}";

std::string Sha(std::string_view sha) {
  return "<code class=\"sha\">" + HtmlEscape(sha) + "</code>";
}

// A kind as a reader takes it in: what it means, then its identifier (what
// the JSON report and the command line's findings name).
std::string KindText(std::string_view kind) {
  const ProblemKindInfo* info = FindProblemKind(kind);
  if (info == nullptr) return "<code>" + HtmlEscape(kind) + "</code>";
  return HtmlEscape(info->description) + "<code>" + HtmlEscape(kind) + "</code>";
}

void AppendProblemRows(std::string& html, const std::vector<ReportProblem>& problems, int columns) {
  for (const ReportProblem& p : problems) {
    html += "<tr class=\"problem\"><td class=\"kind\">" + KindText(p.kind) + "</td><td colspan=\"" +
            std::to_string(columns - 1) + "\">" + HtmlEscape(p.text) + "</td></tr>\n";
  }
}

// "1 problem", "2 problems".
std::string Count(std::size_t n, std::string_view one, std::string_view many) {
  return std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

// The anchor of the section of the output `index` (from 0) and of the run.
std::string OutputAnchor(std::size_t index) { return "output-" + std::to_string(index + 1); }
constexpr std::string_view kRunAnchor = "run";

std::string OutputTitle(const ReportOutput& output) {
  return HtmlEscape(output.type) + " &mdash; " + HtmlEscape(output.database);
}

// A section is open when it shows something in red: its problems, or a
// listed script the run did not find.
bool ShowsProblems(const ReportOutput& output) {
  if (!output.problems.empty()) return true;
  for (const ReportEntry& e : output.entries) {
    if (!e.found) return true;
  }
  return false;
}

// The opening tag and the summary line of a section: folded, or open and
// marked when it shows a problem.
void OpenSection(std::string& html, std::string_view anchor, bool shows_problems,
                 const std::string& summary) {
  html += "<details id=\"" + std::string(anchor) + "\"";
  if (shows_problems) html += " class=\"problem\" open";
  html += "><summary>" + summary + "</summary>\n";
}

// What a reader looks for first: how many problems of each kind (in the
// order they first came), then every problem with a link to its section.
void AppendProblemOverview(std::string& html, const RunReport& report) {
  struct Listed {
    const ReportProblem* problem;
    std::string anchor;
    std::string where;  // HTML
  };
  std::vector<Listed> listed;
  for (std::size_t i = 0; i < report.outputs.size(); ++i) {
    for (const ReportProblem& p : report.outputs[i].problems) {
      listed.push_back({&p, OutputAnchor(i), OutputTitle(report.outputs[i])});
    }
  }
  for (const ReportProblem& p : report.problems) {
    listed.push_back({&p, std::string(kRunAnchor), "the run"});
  }

  std::vector<std::pair<std::string_view, std::size_t>> kinds;
  for (const Listed& l : listed) {
    auto it = std::find_if(kinds.begin(), kinds.end(),
                           [&](const auto& k) { return k.first == l.problem->kind; });
    if (it == kinds.end()) {
      kinds.emplace_back(l.problem->kind, 1);
    } else {
      ++it->second;
    }
  }

  html += "<h2 id=\"problems\">Problems</h2>\n";
  html += "<table class=\"summary\">\n<tr><th>Kind</th><th>Count</th></tr>\n";
  for (const auto& [kind, n] : kinds) {
    html += "<tr><td class=\"kind\">" + KindText(kind) + "</td><td class=\"num\">" +
            std::to_string(n) + "</td></tr>\n";
  }
  html += "<tr><th>Total</th><th class=\"num\">" + std::to_string(listed.size()) +
          "</th></tr>\n</table>\n";

  html += "<table class=\"problems\">\n<tr><th>Kind</th><th>Section</th><th>Text</th></tr>\n";
  for (const Listed& l : listed) {
    html += "<tr><td class=\"kind\">" + KindText(l.problem->kind) + "</td><td><a href=\"#" +
            l.anchor + "\">" + l.where + "</a></td><td>" + HtmlEscape(l.problem->text) +
            "</td></tr>\n";
  }
  html += "</table>\n";
}

}  // namespace

std::string_view ClassifyMessage(std::string_view line) {
  namespace k = problem_kind;
  // The kinds whose lines have fixed beginnings, in the order they are told
  // apart.
  static constexpr std::string_view kByBeginning[] = {
      k::kMissingSection, k::kInvalidNumfiles, k::kNotInList,
      k::kMissingFile,    k::kReadError,       k::kWriteError,
      k::kFolderError,    k::kOutsideSource,   k::kUnmappableCharacter,
  };
  for (const ProblemKindInfo& kind : kProblemKinds) {
    if (std::ranges::find(kByBeginning, kind.id) == std::end(kByBeginning)) continue;
    for (std::string_view text : {kind.text, kind.other_text, kind.third_text}) {
      if (!text.empty() && StartsWith(line, text)) return kind.id;
    }
  }
  constexpr const ProblemKindInfo& kDocument = ProblemKind(k::kMissingDocument);
  if (StartsWith(line, kDocument.other_text) ||
      (StartsWith(line, kDocument.text) && EndsWith(line, " nao encontrado!"))) {
    return k::kMissingDocument;
  }
  if (StartsWith(line, ProblemText(k::kValueTooLong))) return k::kValueTooLong;
  return k::kMessage;
}

std::size_t RunReport::ProblemCount() const {
  std::size_t count = problems.size();
  for (const ReportOutput& output : outputs) count += output.problems.size();
  return count;
}

std::string ReportJson(const RunReport& report) {
  Json root;
  root["report"] = "vktgera";
  root["format_version"] = 1;
  root["program_version"] = kVersionText;
  root["command"] = report.command;
  root["repository"] = report.repository;
  root["system"] = report.system;
  root["selected_type"] = report.selected_type;
  root["source_root"] = report.source_root;
  root["destination_root"] = report.destination_root;
  root["file_list"] = report.file_list;
  root["code_page"] = report.code_page;
  root["exit_status"] = report.exit_status;
  root["problem_count"] = report.ProblemCount();
  Json outputs = Json::array();
  for (const ReportOutput& output : report.outputs) outputs.push_back(OutputJson(output));
  root["outputs"] = std::move(outputs);
  root["problems"] = ProblemsJson(report.problems);
  root["manifests"] = report.manifests;
  // File names come from disk and need not be UTF-8; the replacing handler
  // keeps the dump from failing on them.
  return root.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string HtmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

namespace {

// The section of the output `output`, the `index`th of the run.
void AppendOutputSection(std::string& html, const ReportOutput& output, std::size_t index) {
  std::string summary =
      OutputTitle(output) + ": " + Count(output.entries.size(), "entry", "entries");
  if (!output.problems.empty()) {
    summary += ", " + Count(output.problems.size(), "problem", "problems");
  }
  OpenSection(html, OutputAnchor(index), ShowsProblems(output), summary);
  html += "<p>";
  if (output.output_file.empty()) {
    html += "No output file.";
  } else {
    html += "Output file: <code>" + HtmlEscape(output.output_file) + "</code>";
    if (output.written) {
      html += ", " + std::to_string(output.size) + " bytes, SHA-256 " + Sha(output.sha256);
    } else {
      html += " (not written)";
    }
  }
  html +=
      "</p>\n<table>\n<tr><th>#</th><th>Name</th><th>File</th><th>Size</th>"
      "<th>SHA-256</th></tr>\n";
  for (const ReportEntry& e : output.entries) {
    html += e.found ? "<tr>" : "<tr class=\"problem\">";
    html += "<td class=\"num\">" + std::to_string(e.number) + "</td><td>" + HtmlEscape(e.name) +
            "</td><td><code>" + HtmlEscape(e.file) + "</code></td>";
    if (e.found) {
      html += "<td class=\"num\">" + std::to_string(e.size) + "</td><td>" + Sha(e.sha256) + "</td>";
    } else {
      html += "<td colspan=\"2\">not found</td>";
    }
    html += "</tr>\n";
  }
  AppendProblemRows(html, output.problems, 5);
  html += "</table>\n</details>\n";
}

}  // namespace

std::string ReportHtml(const RunReport& report) {
  std::string html;
  const std::string title = HtmlEscape("vktgera " + report.command + ": " + report.repository);
  html += "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>" + title +
          "</title>\n<style>" + std::string(kStyle) + "</style>\n</head>\n<body>\n";
  html += "<h1>" + title + "</h1>\n";
  const std::size_t problem_count = report.ProblemCount();
  html +=
      "<p class=\"outcome\">Exit status " + std::to_string(report.exit_status) +
      (problem_count == 0 ? std::string() : ", " + Count(problem_count, "problem", "problems")) +
      ".</p>\n";
  if (problem_count == 0) {
    html += "<p class=\"clean\">No problems found.</p>\n";
  } else {
    AppendProblemOverview(html, report);
  }

  html += "<h2>Sections</h2>\n";
  OpenSection(html, kRunAnchor, !report.problems.empty(),
              "The run" + (report.problems.empty()
                               ? std::string()
                               : ": " + Count(report.problems.size(), "problem", "problems")));
  html += "<table class=\"run\">\n";
  auto row = [&](std::string_view label, std::string_view value) {
    html += "<tr><th>" + HtmlEscape(label) + "</th><td>" + HtmlEscape(value) + "</td></tr>\n";
  };
  row("Program version", kVersionText);
  row("Repository", report.repository);
  row("System", report.system);
  row("Object type", report.selected_type);
  row("Source root", report.source_root);
  row("Destination root", report.destination_root);
  row("File list", report.file_list);
  row("Code page", report.code_page);
  row("Exit status", std::to_string(report.exit_status));
  row("Problems", std::to_string(problem_count));
  html += "</table>\n";
  if (!report.problems.empty()) {
    html += "<table>\n<tr><th>Kind</th><th>Text</th></tr>\n";
    AppendProblemRows(html, report.problems, 2);
    html += "</table>\n";
  }
  html += "</details>\n";

  for (std::size_t i = 0; i < report.outputs.size(); ++i) {
    AppendOutputSection(html, report.outputs[i], i);
  }

  if (!report.manifests.empty()) {
    OpenSection(html, "manifests", false,
                "Manifests: " + Count(report.manifests.size(), "file", "files"));
    html += "<ul>\n";
    for (const std::string& m : report.manifests) {
      html += "<li><code>" + HtmlEscape(m) + "</code></li>\n";
    }
    html += "</ul>\n</details>\n";
  }
  html += "</body>\n</html>\n";
  return html;
}

platform::Status WriteWholeFile(std::string_view path, std::string_view bytes,
                                platform::Replaced* replaced) {
  platform::File stream;
  platform::OutputKind kind = platform::OutputKind::kFile;
  if (platform::Status status = platform::OpenOutputStream(path, &stream, &kind); !status.ok()) {
    return status;
  }
  if (kind == platform::OutputKind::kStream) {
    platform::Status status = stream.Write(bytes.data(), bytes.size());
    const platform::Status closed = stream.Close();
    if (status.ok()) status = closed;
    return status.About(platform::Operation::kWriteFile, path);
  }
  platform::AtomicFile file;
  platform::Status status = file.Create(path);
  if (status.ok()) status = file.Write(bytes.data(), bytes.size());
  if (status.ok()) status = file.Commit();
  if (replaced) *replaced = {file.replaced_other_links(), file.replaced_other_owner()};
  return status;
}

}  // namespace vkt::app
