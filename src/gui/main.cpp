// The window program. The main configuration is the one of --config, else
// the one chosen last with "Abrir configuração…", else the first the lookup
// finds (app/config_lookup.h).
#include <QApplication>
#include <QCommandLineParser>
#include <QSettings>
#include <QStringList>
#include <QTimer>
#include <cstdio>
#include <string>
#include <utility>

#include "app/config_lookup.h"
#include "app/startup.h"
#include "app/version.h"
#include "fs/platform/file_system.h"
#include "fs/platform/system_info.h"
#include "gui/form1.h"
#include "gui/qt_desktop.h"

int main(int argc, char** argv) {
  // A file that outgrows `ulimit -f` is a failed write with its message line,
  // not a window that vanishes.
  vkt::platform::IgnoreFileSizeLimit();
  QCoreApplication::setApplicationName("VKTGeraInstallBD");
  QCoreApplication::setApplicationVersion(QString::fromUtf8(vkt::kVersionText));

  QCommandLineParser parser;
  parser.setApplicationDescription(
      QString::fromUtf8("Gera o pacote de instalação de um banco a partir de um repositório de "
                        "scripts SQL."));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption config_option(
      "config", QString::fromUtf8("Lê FILE como configuração principal."), "FILE");
  const QCommandLineOption quit_option(
      "quit-after-start",
      QString::fromUtf8("Abre a janela, escreve a configuração lida e sai (status 0 se foi "
                        "encontrada, 1 se mostrou uma mensagem ao lê-la, 2 se não foi "
                        "encontrada)."));
  parser.addOption(config_option);
  parser.addOption(quit_option);
  // --help and --version need no display: answered before the application
  // exists. Everything else is parsed after Qt took its own options.
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  parser.parse(arguments);
  if (parser.isSet("help")) {
    QString help = parser.helpText();
    help.replace("<executable_name>", QCoreApplication::applicationName());
    std::fputs(help.toLocal8Bit().constData(), stdout);
    return 0;
  }
  if (parser.isSet("version")) {
    std::printf("VKTGeraInstallBD %s\n", vkt::kVersionText);
    return 0;
  }

  QApplication app(argc, argv);
  parser.process(app);

  // The window's own settings (the remembered choice) live in
  // $XDG_CONFIG_HOME/vktgerainstallbd/VKTGeraInstallBD.conf.
  QSettings settings(QSettings::NativeFormat, QSettings::UserScope, vkt::app::kConfigSubfolder,
                     "VKTGeraInstallBD");
  // Started only to see it start: nobody would close a box.
  const bool quit = parser.isSet(quit_option);
  vkt::app::LookupEnvironment environment =
      vkt::app::ProcessLookupEnvironment(parser.value(config_option).toStdString(), "");
  environment.documents = vkt::platform::DocumentsFolder();
  vkt::gui::Form1 form(std::move(environment), &settings,
                       quit ? vkt::gui::Form1::Boxes::kRecorded : vkt::gui::Form1::Boxes::kShown);
  form.show();
  if (quit) {
    QTimer::singleShot(0, &form, [&form] {
      std::puts(form.ConfigurationText().toUtf8().constData());
      for (const std::string& box : form.recorded_boxes()) {
        std::fprintf(stderr, "%s\n", vkt::gui::NormalizeLineBreaks(box).c_str());
      }
      QApplication::exit(
          vkt::app::QuitAfterStartStatus(form.ConfigurationFound(), form.recorded_boxes().size()));
    });
  }
  return app.exec();
}
