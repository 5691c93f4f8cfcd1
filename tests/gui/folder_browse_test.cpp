#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QTimer>
#include <functional>
#include <string>

#include "fs/file_system_object.h"
#include "gui/qt_folder_picker.h"
#include "services/desktop.h"
#include "support/temp_dir.h"

namespace vkt::gui {
namespace {

using vkt::testing::TempDir;

// What the test saw of the dialog before answering it.
struct SeenDialog {
  bool shown = false;
  QString title;
  QString directory;
  bool folders_only = false;
};

// Answers the next modal folder dialog with `answer` once it is on screen.
void AnswerNextDialog(SeenDialog* seen, std::function<void(QFileDialog*)> answer) {
  auto* timer = new QTimer(qApp);
  QObject::connect(timer, &QTimer::timeout, [timer, seen, answer] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog || !dialog->isVisible()) return;  // not open yet
    timer->stop();
    timer->deleteLater();
    seen->shown = true;
    seen->title = dialog->windowTitle();
    seen->directory = dialog->directory().absolutePath();
    seen->folders_only = dialog->fileMode() == QFileDialog::Directory &&
                         dialog->testOption(QFileDialog::ShowDirsOnly);
    answer(dialog);
  });
  timer->start(0);
}

class FolderBrowseTest : public ::testing::Test {
 protected:
  QtFolderPicker picker_;
  ScopedDesktop desktop_{DesktopServices{nullptr, nullptr, nullptr, &picker_, nullptr, nullptr}};
  fs::FileSystemObject fso_;
  TempDir dir_;
};

TEST_F(FolderBrowseTest, AcceptedAtOnceReturnsTheInitialFolderCleaned) {
  dir_.MakeDir("Scripts");
  SeenDialog seen;
  AnswerNextDialog(&seen, [](QFileDialog* d) { static_cast<QDialog*>(d)->accept(); });
  // Given in Windows form, other letter case and a trailing backslash.
  const std::string chosen = fso_.FolderBrowse(0, "Escolha a pasta", dir_.path() + "\\SCRIPTS\\");
  ASSERT_TRUE(seen.shown);
  EXPECT_EQ(seen.title, "Escolha a pasta");
  EXPECT_EQ(seen.directory.toStdString(), dir_ / "Scripts");
  EXPECT_TRUE(seen.folders_only);
  EXPECT_EQ(chosen, dir_ / "Scripts");
}

TEST_F(FolderBrowseTest, ReturnsTheFolderSelectedLast) {
  dir_.MakeDir("a/b");
  SeenDialog seen;
  AnswerNextDialog(&seen, [&](QFileDialog* d) {
    d->setDirectory(QString::fromStdString(dir_ / "a/b"));
    static_cast<QDialog*>(d)->accept();  // QFileDialog::accept, through the public slot
  });
  EXPECT_EQ(fso_.FolderBrowse(0, "Pasta", dir_.path()), dir_ / "a/b");
  EXPECT_EQ(seen.directory.toStdString(), dir_.path());
}

TEST_F(FolderBrowseTest, KeepsFolderNamesOutsideAscii) {
  dir_.MakeDir("A\xC3\xA7\xC3\xA3o");  // Ação
  SeenDialog seen;
  AnswerNextDialog(&seen, [](QFileDialog* d) { static_cast<QDialog*>(d)->accept(); });
  EXPECT_EQ(fso_.FolderBrowse(0, "Pasta", dir_.path() + "\\a\xC3\xA7\xC3\xA3o"),
            dir_ / "A\xC3\xA7\xC3\xA3o");
}

TEST_F(FolderBrowseTest, CancelledReturnsTheEmptyString) {
  dir_.MakeDir("Scripts");
  SeenDialog seen;
  AnswerNextDialog(&seen, [](QFileDialog* d) { d->reject(); });
  EXPECT_EQ(fso_.FolderBrowse(0, "Pasta", dir_.path() + "\\Scripts"), "");
  EXPECT_TRUE(seen.shown);
}

TEST_F(FolderBrowseTest, UsesTheDefaultTitle) {
  SeenDialog seen;
  AnswerNextDialog(&seen, [](QFileDialog* d) { d->reject(); });
  EXPECT_EQ(fso_.FolderBrowse(0), "");
  EXPECT_EQ(seen.title, "Browse for Folder");
}

}  // namespace
}  // namespace vkt::gui
