#include "app/run_recorder.h"

#include "config/file_list.h"
#include "fs/platform/file_system.h"
#include "fs/sha256_file.h"
#include "generate/call_plan.h"
#include "generate/database_kind.h"
#include "generate/framing.h"
#include "generate/gera_script.h"

namespace vkt::app {
namespace {

struct FileState {
  bool exists = false;
  std::uint64_t size = 0;
  std::int64_t write_ns = 0;
};

FileState StateOf(const std::string& path) {
  FileState state;
  platform::FileInfo info;
  if (!path.empty() && platform::GetInfo(path, &info).ok() &&
      (info.attributes & platform::kAttrDirectory) == 0) {
    state.exists = true;
    state.size = info.size;
    state.write_ns = info.write_ns;
  }
  return state;
}

}  // namespace

RunRecorder::RunRecorder(Generator& inner, RunReport* report, bool dry_run, bool entries)
    : inner_(inner),
      report_(report),
      dry_run_(dry_run),
      entries_(entries),
      next_boxes_(Desktop().boxes) {
  scope_.emplace(DesktopWithBoxes(this));
}

RunRecorder::~RunRecorder() = default;

void RunRecorder::TakeMessages() {
  if (!session_) return;
  const std::vector<std::string>& messages = session_->Mensagens;
  // A button press resets the buffer; never read past its end.
  if (messages_taken_ > messages.size()) messages_taken_ = 1;
  for (; messages_taken_ < messages.size(); ++messages_taken_) {
    const std::string& line = messages[messages_taken_];
    ReportProblem problem{std::string(ClassifyMessage(line)), line};
    if (current_) {
      current_->problems.push_back(std::move(problem));
    } else {
      report_->problems.push_back(std::move(problem));
    }
  }
}

void RunRecorder::GeraScript(Session& session, std::string_view tipo_objeto,
                             generate::DatabaseKind kind, bool exec) {
  // The handler started the buffer over: whatever it holds belongs to the
  // run, the handler's own lines before the first call too.
  if (session_ != &session) messages_taken_ = 1;
  session_ = &session;
  TakeMessages();

  const generate::CallPlan plan = generate::PlanCall(session.settings, tipo_objeto, kind);
  report_->outputs.emplace_back();
  current_ = &report_->outputs.back();
  current_->type = std::string(tipo_objeto);
  current_->database = generate::Describe(kind).keyword;
  const FileState before = StateOf(plan.output_file);

  inner_.GeraScript(session, tipo_objeto, kind, exec);
  TakeMessages();
  // Shown once the call has looked for it: its folders as they are on disk.
  current_->output_file = generate::CaminhoMensagem(plan.output_file);

  if (!dry_run_ && !plan.output_file.empty()) {
    const FileState after = StateOf(plan.output_file);
    const bool written = after.exists && (!before.exists || after.write_ns != before.write_ns ||
                                          after.size != before.size);
    if (written && fs::Sha256File(plan.output_file, &current_->sha256, &current_->size).ok()) {
      current_->written = true;
    }
  }

  if (entries_ && !plan.source_folder.empty()) {
    const config::FileList list = config::ReadFileList(
        *Desktop().boxes, session.settings.ArqConfigIni, *session.general.code_page, tipo_objeto);
    if (list.status == config::FileListStatus::kOk) {
      for (std::size_t i = 1; i < list.names.size(); ++i) {
        ReportEntry entry;
        entry.number = static_cast<int>(i);
        entry.name = list.names[i];
        const std::string path = plan.source_folder + "\\" + list.names[i] + plan.extension;
        // A file outside the source root is not the run's to describe.
        entry.found = RunSeesFile(path) &&
                      generate::LiesInSourceRoot(session.settings.PathOrigem, path) &&
                      fs::Sha256File(path, &entry.sha256, &entry.size).ok();
        // Shown after the lookup, with what it found on disk.
        entry.file = generate::CaminhoMensagem(path);
        current_->entries.push_back(std::move(entry));
      }
    }
  }
  current_ = nullptr;
}

void RunRecorder::GeraNumeracao(Session& session, std::string_view tipo_objeto,
                                generate::DatabaseKind kind) {
  inner_.GeraNumeracao(session, tipo_objeto, kind);
}

void RunRecorder::Show(std::string_view text, std::string_view title, BoxIcon icon) {
  if (text != "FIM") {
    TakeMessages();  // keep messages and boxes in the order they came
    ReportProblem problem{std::string(problem_kind::kErrorBox),
                          std::string(title) + ": " + std::string(text)};
    if (current_) {
      current_->problems.push_back(std::move(problem));
    } else {
      report_->problems.push_back(std::move(problem));
    }
  }
  next_boxes_->Show(text, title, icon);
}

void RunRecorder::Finish(const Session& session) {
  if (session_ != &session) messages_taken_ = 1;
  session_ = &session;
  current_ = nullptr;
  TakeMessages();
}

void AttachFindings(RunReport* report, const std::vector<Finding>& findings) {
  for (const Finding& finding : findings) {
    ReportOutput* target = nullptr;
    for (ReportOutput& output : report->outputs) {
      if (output.type != finding.object_type) continue;
      if (!finding.database.empty() && output.database != finding.database) continue;
      target = &output;
      break;
    }
    ReportProblem problem{finding.kind, finding.text, finding.file, finding.line};
    if (target) {
      target->problems.push_back(std::move(problem));
    } else {
      report->problems.push_back(std::move(problem));
    }
  }
}

}  // namespace vkt::app
