// Checks a run report against the JSON shape documented in app/run_report.h
// and docs/report-format.md.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

namespace vkt::testing {

using Json = nlohmann::json;

// The problem kinds docs/report-format.md lists.
inline bool IsDocumentedKind(const std::string& kind) {
  static const char* const kKinds[] = {
      "missing_section",    "invalid_numfiles", "not_in_list",   "missing_file",
      "read_error",         "write_error",      "folder_error",  "missing_document",
      "error_box",          "manifest_error",   "message",       "vendor_parity",
      "key_above_numfiles", "duplicate_name",   "duplicate_key", "name_with_extension",
      "unknown_key",        "byte_order_mark",  "utf8_text",     "name_outside_folder",
      "invalid_utf8"};
  for (const char* k : kKinds) {
    if (kind == k) return true;
  }
  return false;
}

inline std::string ProblemsShapeError(const Json& problems, const std::string& where) {
  if (!problems.is_array()) return where + " is not an array";
  for (const Json& p : problems) {
    if (!p.is_object() || p.size() != 2) return where + ": a problem is not {kind, text}";
    if (!p.contains("kind") || !p["kind"].is_string()) return where + ": kind";
    if (!IsDocumentedKind(p["kind"])) return where + ": undocumented kind " + p["kind"].dump();
    if (!p.contains("text") || !p["text"].is_string()) return where + ": text";
  }
  return "";
}

// The first mismatch with the documented shape; "" when `root` conforms.
inline std::string ShapeError(const Json& root) {
  const std::vector<std::pair<std::string, Json::value_t>> top = {
      {"report", Json::value_t::string},
      {"format_version", Json::value_t::number_unsigned},
      {"program_version", Json::value_t::string},
      {"command", Json::value_t::string},
      {"repository", Json::value_t::string},
      {"system", Json::value_t::string},
      {"selected_type", Json::value_t::string},
      {"source_root", Json::value_t::string},
      {"destination_root", Json::value_t::string},
      {"file_list", Json::value_t::string},
      {"code_page", Json::value_t::string},
      {"exit_status", Json::value_t::number_unsigned},
      {"problem_count", Json::value_t::number_unsigned},
      {"outputs", Json::value_t::array},
      {"problems", Json::value_t::array},
      {"manifests", Json::value_t::array}};
  if (!root.is_object() || root.size() != top.size()) return "top level keys";
  for (const auto& [key, type] : top) {
    if (!root.contains(key) || root[key].type() != type) return "key " + key;
  }
  if (root["report"] != "vktgera" || root["format_version"] != 1) return "format";
  if (root["command"] != "install" && root["command"] != "check") return "command";
  if (root["exit_status"] != 0 && root["exit_status"] != 1) return "exit_status";
  std::size_t problems = root["problems"].size();
  if (auto e = ProblemsShapeError(root["problems"], "run problems"); !e.empty()) return e;
  for (const Json& m : root["manifests"]) {
    if (!m.is_string()) return "manifests";
  }
  for (const Json& o : root["outputs"]) {
    if (!o.is_object() || o.size() != 8) return "output keys";
    if (!o["type"].is_string() || !o["database"].is_string()) return "output type/database";
    if (o["database"] != "SQLSERVER" && o["database"] != "ORACLE") return "database";
    if (!o["output_file"].is_string() && !o["output_file"].is_null()) return "output_file";
    if (!o["written"].is_boolean()) return "written";
    const bool written = o["written"];
    if (written != o["size"].is_number_unsigned()) return "output size";
    if (written != o["sha256"].is_string()) return "output sha256";
    if (!o["entries"].is_array()) return "entries";
    for (const Json& e : o["entries"]) {
      if (!e.is_object() || e.size() != 6) return "entry keys";
      if (!e["number"].is_number_unsigned() || !e["name"].is_string() || !e["file"].is_string() ||
          !e["found"].is_boolean()) {
        return "entry fields";
      }
      const bool found = e["found"];
      if (found != e["size"].is_number_unsigned() || found != e["sha256"].is_string()) {
        return "entry size/sha256";
      }
      if (found && e["sha256"].get<std::string>().size() != 64) return "entry sha256 length";
    }
    if (auto e = ProblemsShapeError(o["problems"], "output problems"); !e.empty()) return e;
    problems += o["problems"].size();
  }
  if (root["problem_count"] != problems) return "problem_count";
  return "";
}

}  // namespace vkt::testing
