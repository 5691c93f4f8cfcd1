// The design of the program's one window, `Form1`, once for both windows
// (the Qt one in src/gui, the Win32 one in src/win): its title, menu,
// controls with their captions, places and sizes in twips (1440 to the inch),
// in tab order, and its faces. The windows only draw what this says.
#pragma once

#include <cstdint>
#include <string_view>

namespace vkt::app {

inline constexpr std::string_view kFormTitle = "Geração de Scripts de Instalação";

// The client area as designed, in twips (the status line comes below it);
// also the smallest the windows let it be, unless the screen is smaller.
inline constexpr int kFormClientWidth = 11040;
inline constexpr int kFormClientHeight = 8040;

// The window's face is "MS Sans Serif" at these sizes, in points.
inline constexpr double kDefaultPoints = 8.25;
inline constexpr double kButtonPoints = 9.75;

// The controls of the client area. The numbers are the Win32 window's
// control identifiers.
enum class FormControl : std::uint16_t {
  kLabel1_1 = 101,  // "Repositório"
  kCbRepos = 102,
  kLabel1_0 = 103,  // "Tipo do Objeto"
  kCbObj = 104,
  kCmdExecuta0 = 110,  // "Gera Numeração"
  kCmdExecuta1 = 111,  // "Gera Install"
  kLblVersao = 120,
  kLblConfigUtilizado = 121,
  kLblLendoOrigem = 122,
  kLblDiretorioOrigem = 123,
  kLblLendoDestino = 124,
  kLblDiretorioDestino = 125,
  kTxmens = 130,
};

enum class ControlKind : std::uint8_t {
  kLabel,         // one line, not wrapped
  kWrappedLabel,  // several lines, wrapped at its width
  kList,          // a drop-down list to pick from
  kButton,
  kMessages,  // the read-only message area, which takes the room the window gains
};
enum class ControlFace : std::uint8_t { kRegular, kBold, kButton };

// One control: place and size in twips, caption as designed. `fit`: a fixed
// caption, whose label grows to the right to the width the text needs in the
// face in use.
struct DesignedControl {
  FormControl control;
  std::string_view name;  // the designed control's name (the Qt object name)
  ControlKind kind;
  ControlFace face;
  std::string_view caption;
  int left, top, width, height;
  bool fit;
  bool visible;
};

// In tab order: "Gera Install" comes right after the lists. "Gera
// Numeração" shows only after "Habilita Numeração".
inline constexpr DesignedControl kFormControls[] = {
    {FormControl::kLabel1_1, "Label1_1", ControlKind::kLabel, ControlFace::kRegular, "Repositório",
     165, 390, 795, 195, true, true},
    {FormControl::kCbRepos, "CbRepos", ControlKind::kList, ControlFace::kRegular, "", 165, 600,
     5500, 315, false, true},
    {FormControl::kLabel1_0, "Label1_0", ControlKind::kLabel, ControlFace::kRegular,
     "Tipo do Objeto", 165, 975, 1050, 210, true, true},
    {FormControl::kCbObj, "CbObj", ControlKind::kList, ControlFace::kRegular, "", 165, 1200, 5500,
     315, false, true},
    {FormControl::kCmdExecuta1, "cmdExecuta1", ControlKind::kButton, ControlFace::kButton,
     "Gera Install", 6360, 600, 1500, 495, false, true},
    {FormControl::kCmdExecuta0, "cmdExecuta0", ControlKind::kButton, ControlFace::kButton,
     "Gera Numeração", 8040, 600, 1500, 495, false, false},
    {FormControl::kLblVersao, "lblVersao", ControlKind::kLabel, ControlFace::kBold,
     "Versão: 02.00.00", 8160, 120, 1695, 255, true, true},
    {FormControl::kLblConfigUtilizado, "lblConfigUtilizado", ControlKind::kWrappedLabel,
     ControlFace::kBold, "", 165, 1680, 6015, 615, false, true},
    {FormControl::kLblLendoOrigem, "lblLendoOrigem", ControlKind::kLabel, ControlFace::kRegular,
     "Diretório Origem:", 165, 2520, 1455, 255, true, true},
    {FormControl::kLblDiretorioOrigem, "lblDiretorioOrigem", ControlKind::kLabel,
     ControlFace::kRegular, "", 1800, 2520, 7815, 255, false, true},
    {FormControl::kLblLendoDestino, "lblLendoDestino", ControlKind::kLabel, ControlFace::kRegular,
     "Diretório Destino:", 165, 3000, 1455, 255, true, true},
    {FormControl::kLblDiretorioDestino, "lblDiretorioDestino", ControlKind::kLabel,
     ControlFace::kRegular, "", 1800, 3000, 7695, 255, false, true},
    {FormControl::kTxmens, "txmens", ControlKind::kMessages, ControlFace::kRegular, "", 165, 3480,
     10650, 4335, false, true},
};

// The design of `control` (every control has one).
constexpr const DesignedControl& Designed(FormControl control) {
  for (const DesignedControl& designed : kFormControls) {
    if (designed.control == control) return designed;
  }
  return kFormControls[0];
}

// The commands of the menu "Arquivo", in order; the numbers are the Win32
// window's command identifiers.
enum class FormCommand : std::uint16_t {
  kMnuHabNumeracao = 201,
  kMnuAbrirConfiguracao = 202,
  kMnuSair = 203,
};
inline constexpr std::string_view kMenuArquivo = "Arquivo";
struct DesignedCommand {
  FormCommand command;
  std::string_view name;      // the Qt object name
  std::string_view caption;   // as the menu shows it
  std::string_view shortcut;  // "Ctrl+O", or empty
  bool separator_before;
};
inline constexpr DesignedCommand kFormCommands[] = {
    {FormCommand::kMnuHabNumeracao, "MnuHabNumeracao", "Habilita Numeração", "", false},
    {FormCommand::kMnuAbrirConfiguracao, "MnuAbrirConfiguracao", "Abrir configuração…", "Ctrl+O",
     false},
    {FormCommand::kMnuSair, "MnuSair", "Sair", "", true},
};

}  // namespace vkt::app
