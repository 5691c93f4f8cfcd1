// Records a run into a RunReport while it happens: wraps the generator of a
// button press and the message-box service, and turns each generation call
// into one output of the report.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/release_checks.h"
#include "app/run_dispatch.h"
#include "app/run_report.h"
#include "services/desktop.h"

namespace vkt::app {

class RunRecorder final : public Generator, public MessageBoxService {
 public:
  // Calls go on to `inner`; boxes to the box service in use at construction,
  // which the recorder replaces for its lifetime. `dry_run` tells that the
  // calls write nothing (outputs are then never "written"). With `entries`
  // false the outputs get no listed entries, and no listed file is opened or
  // hashed for them: for a caller that writes no report of the run. `report`
  // must outlive the recorder; its run fields are left to the caller.
  RunRecorder(Generator& inner, RunReport* report, bool dry_run, bool entries = true);
  ~RunRecorder() override;
  RunRecorder(const RunRecorder&) = delete;
  RunRecorder& operator=(const RunRecorder&) = delete;

  // Generator: one output per call with its plan, its listed entries (size
  // and SHA-256 of each file that exists; see `entries`), the messages and error boxes of
  // the call in the order they came, and for a real run the script's size
  // and SHA-256 when the call wrote it.
  void GeraScript(Session& session, std::string_view tipo_objeto, generate::DatabaseKind kind,
                  bool exec) override;
  void GeraNumeracao(Session& session, std::string_view tipo_objeto,
                     generate::DatabaseKind kind) override;
  // MessageBoxService: records every box but "FIM" as an error_box problem
  // "TITLE: TEXT", then shows it.
  void Show(std::string_view text, std::string_view title, BoxIcon icon) override;

  // After the run: messages appended after the last call (the version
  // scripts') become problems of the run.
  void Finish(const Session& session);

 private:
  void TakeMessages();
  Generator& inner_;
  RunReport* report_;
  bool dry_run_;
  bool entries_;
  MessageBoxService* next_boxes_;
  std::optional<ScopedDesktop> scope_;
  const Session* session_ = nullptr;  // of the call in progress, or of the last one
  ReportOutput* current_ = nullptr;   // the output of the call in progress
  std::size_t messages_taken_ = 1;    // element 0 of `Mensagens` is always empty
};

// Adds `findings` to the report: each to the output of its object type and
// database kind (the first output of the type when the finding concerns both
// kinds), or to the run's problems when the run made no such call.
void AttachFindings(RunReport* report, const std::vector<Finding>& findings);

}  // namespace vkt::app
