#include "app/pipeline_reports.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/client_rules.h"
#include "app/version.h"
#include "generate/docs_e_bats.h"
#include "generate/framing.h"
#include "generate/gera_script.h"
#include "text/utf8.h"

namespace vkt::app {
namespace {

using Json = nlohmann::ordered_json;

// The lines whose text is a beginning and a path, with " - " and the
// system's reason after the path where `reason` says so.
struct PathLine {
  std::string_view kind;
  std::string_view prefix;
  bool reason;
};
const PathLine kPathLines[] = {
    {problem_kind::kMissingFile, ProblemText(problem_kind::kMissingFile), false},
    {problem_kind::kOutsideSource, generate::kForaDaOrigem, false},
    {problem_kind::kMissingDocument, generate::kArquivoParaCopia, false},
    {problem_kind::kReadError, generate::kErroLerArquivo, true},
    {problem_kind::kReadError, generate::kErroLerPasta, true},
    {problem_kind::kReadError, generate::kNaoResolvido, true},
    {problem_kind::kWriteError, generate::kErroGravarArquivo, true},
    {problem_kind::kFolderError, generate::kErroCriarPasta, true},
    {problem_kind::kManifestError, kManifestErrorText, true},
};

// The path named by the text of a problem of kind `kind`, or "".
std::string PathInText(std::string_view kind, std::string_view text) {
  for (const PathLine& line : kPathLines) {
    if (line.kind != kind || !text.starts_with(line.prefix)) continue;
    std::string_view path = text.substr(line.prefix.size());
    if (line.reason) {
      const std::size_t dash = path.rfind(" - ");
      if (dash == std::string_view::npos) return {};
      path = path.substr(0, dash);
    }
    return std::string(path);
  }
  return {};
}

bool IsUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

void AppendEncoded(std::string_view text, std::string* uri) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (IsUnreserved(c) || c == '/') {
      *uri += ch;
    } else if (c == '\\') {
      *uri += '/';
    } else {
      *uri += '%';
      *uri += kHex[c >> 4];
      *uri += kHex[c & 0xF];
    }
  }
}

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// `text` with each piece of ill-formed UTF-8 and each character XML 1.0
// cannot carry as U+FFFD, and &, <, > and " (with tabs and line breaks, in an
// attribute) as references.
std::string XmlText(std::string_view text, bool attribute) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t start = pos;
    const std::int32_t c = text::NextUtf8(text, &pos);
    const bool carried =
        c == '\t' || c == '\n' || c == '\r' || (c >= 0x20 && c != 0xFFFE && c != 0xFFFF);
    if (!carried) {
      out += "\xEF\xBF\xBD";
    } else if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else if (c == '"' && attribute) {
      out += "&quot;";
    } else if (attribute && (c == '\t' || c == '\n' || c == '\r')) {
      out += "&#" + std::to_string(c) + ";";
    } else {
      out.append(text.substr(start, pos - start));
    }
  }
  return out;
}

std::string Attribute(std::string_view name, std::string_view value) {
  return " " + std::string(name) + "=\"" + XmlText(value, true) + "\"";
}

void AppendTestCase(std::string& xml, std::string_view classname, std::string_view name,
                    const std::vector<ReportProblem>& problems) {
  xml += "    <testcase" + Attribute("classname", classname) + Attribute("name", name);
  if (problems.empty()) {
    xml += "/>\n";
    return;
  }
  xml += ">\n";
  for (const ReportProblem& p : problems) {
    xml += "      <failure" + Attribute("type", p.kind) + Attribute("message", p.text) + ">" +
           XmlText(p.text, false) + "</failure>\n";
  }
  xml += "    </testcase>\n";
}

Json SarifResult(const ReportProblem& problem, const RunReport& report, std::size_t rule_index,
                 const ReportOutput* output) {
  const ProblemKindInfo* kind = FindProblemKind(problem.kind);
  Json result;
  result["ruleId"] = problem.kind;
  result["ruleIndex"] = rule_index;
  result["level"] = kind ? kind->level : "error";
  result["message"] = Json{{"text", problem.text}};
  const ProblemPlace place = PlaceOf(problem, report);
  if (!place.file.empty()) {
    Json physical;
    physical["artifactLocation"] = Json{{"uri", FileUri(place.file)}};
    if (place.line > 0) physical["region"] = Json{{"startLine", place.line}};
    result["locations"] = Json::array({Json{{"physicalLocation", std::move(physical)}}});
  }
  if (output) result["properties"] = Json{{"type", output->type}, {"database", output->database}};
  return result;
}

}  // namespace

const ProblemKindInfo* FindProblemKind(std::string_view id) {
  for (const ProblemKindInfo& kind : kProblemKinds) {
    if (kind.id == id) return &kind;
  }
  for (const ClientRule& rule : ClientRules()) {
    if (rule.kind.id == id) return &rule.kind;
  }
  return nullptr;
}

ProblemPlace PlaceOf(const ReportProblem& problem, const RunReport& report) {
  if (!problem.file.empty()) return {problem.file, problem.line};
  if (problem.kind == problem_kind::kMissingSection ||
      problem.kind == problem_kind::kInvalidNumfiles) {
    return {generate::CaminhoMensagem(report.file_list), 0};
  }
  return {PathInText(problem.kind, problem.text), 0};
}

std::string FileUri(std::string_view shown_path) {
  std::string uri;
  if (shown_path.size() >= 2 && IsSeparator(shown_path[0]) && IsSeparator(shown_path[1])) {
    uri = "file://";  // \\host\share\...: the host is the URI's
    AppendEncoded(shown_path.substr(2), &uri);
  } else if (shown_path.size() >= 3 && IsLetter(shown_path[0]) && shown_path[1] == ':' &&
             IsSeparator(shown_path[2])) {
    uri = "file:///";
    uri += shown_path.substr(0, 2);
    AppendEncoded(shown_path.substr(2), &uri);
  } else if (!shown_path.empty() && IsSeparator(shown_path[0])) {
    uri = "file://";
    AppendEncoded(shown_path, &uri);
  } else {
    AppendEncoded(shown_path, &uri);
  }
  return uri;
}

std::string ReportJunit(const RunReport& report) {
  const std::size_t tests = report.outputs.size() + 1;
  std::size_t failures = report.problems.empty() ? 0 : 1;
  for (const ReportOutput& output : report.outputs) {
    if (!output.problems.empty()) ++failures;
  }
  const std::string name = "vktgera " + report.command + " " + report.repository;
  const std::string counts = Attribute("tests", std::to_string(tests)) +
                             Attribute("failures", std::to_string(failures)) +
                             Attribute("errors", "0");
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  xml += "<testsuites" + Attribute("name", name) + counts + ">\n";
  xml += "  <testsuite" + Attribute("name", name) + counts + Attribute("skipped", "0") + ">\n";
  xml += "    <properties>\n";
  for (const auto& [key, value] :
       {std::pair<std::string_view, std::string>{"program_version", kVersionText},
        {"system", report.system},
        {"selected_type", report.selected_type},
        {"exit_status", std::to_string(report.exit_status)}}) {
    xml += "      <property" + Attribute("name", key) + Attribute("value", value) + "/>\n";
  }
  xml += "    </properties>\n";
  for (const ReportOutput& output : report.outputs) {
    AppendTestCase(xml, output.type, output.database, output.problems);
  }
  AppendTestCase(xml, "vktgera", "run", report.problems);
  xml += "  </testsuite>\n</testsuites>\n";
  return xml;
}

std::string ReportSarif(const RunReport& report) {
  // The rules: the kinds found, in the order of the kind tables.
  std::vector<std::string_view> found;
  auto note = [&](const ReportProblem& p) {
    if (std::find(found.begin(), found.end(), p.kind) == found.end()) found.push_back(p.kind);
  };
  for (const ReportOutput& output : report.outputs) std::ranges::for_each(output.problems, note);
  std::ranges::for_each(report.problems, note);
  std::vector<std::string_view> order;
  for (const ProblemKindInfo& kind : kProblemKinds) order.push_back(kind.id);
  for (const ClientRule& rule : ClientRules()) order.push_back(rule.kind.id);
  std::ranges::stable_sort(found, {}, [&](std::string_view id) {
    return std::find(order.begin(), order.end(), id) - order.begin();
  });

  Json rules = Json::array();
  for (std::string_view id : found) {
    const ProblemKindInfo* kind = FindProblemKind(id);
    Json rule{{"id", id}};
    if (kind) {
      rule["shortDescription"] = Json{{"text", kind->description}};
      rule["defaultConfiguration"] = Json{{"level", kind->level}};
    }
    rules.push_back(std::move(rule));
  }
  auto index = [&](const std::string& id) {
    return static_cast<std::size_t>(std::find(found.begin(), found.end(), id) - found.begin());
  };
  Json results = Json::array();
  for (const ReportOutput& output : report.outputs) {
    for (const ReportProblem& p : output.problems) {
      results.push_back(SarifResult(p, report, index(p.kind), &output));
    }
  }
  for (const ReportProblem& p : report.problems) {
    results.push_back(SarifResult(p, report, index(p.kind), nullptr));
  }

  Json driver;
  driver["name"] = "vktgera";
  driver["version"] = kVersionText;
  driver["rules"] = std::move(rules);
  Json run;
  run["tool"] = Json{{"driver", std::move(driver)}};
  run["results"] = std::move(results);
  Json root;
  root["$schema"] = "https://json.schemastore.org/sarif-2.1.0.json";
  root["version"] = "2.1.0";
  root["runs"] = Json::array({std::move(run)});
  return root.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace vkt::app
