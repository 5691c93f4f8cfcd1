// The identifiers of the window's controls and menu items: WM_COMMAND carries
// them, GetDlgItem finds the controls by them, tests drive the window with
// them.
#pragma once

#include "app/form_design.h"

namespace vkt::win {

// The designed controls' and commands' numbers (app/form_design.h).
enum ControlId : int {
  kIdLabel1_1 = static_cast<int>(app::FormControl::kLabel1_1),  // "Repositório"
  kIdCbRepos = static_cast<int>(app::FormControl::kCbRepos),
  kIdLabel1_0 = static_cast<int>(app::FormControl::kLabel1_0),  // "Tipo do Objeto"
  kIdCbObj = static_cast<int>(app::FormControl::kCbObj),
  kIdCmdExecuta0 = static_cast<int>(app::FormControl::kCmdExecuta0),  // "Gera Numeração"
  kIdCmdExecuta1 = static_cast<int>(app::FormControl::kCmdExecuta1),  // "Gera Install"
  kIdLblVersao = static_cast<int>(app::FormControl::kLblVersao),
  kIdLblConfigUtilizado = static_cast<int>(app::FormControl::kLblConfigUtilizado),
  kIdLblLendoOrigem = static_cast<int>(app::FormControl::kLblLendoOrigem),
  kIdLblDiretorioOrigem = static_cast<int>(app::FormControl::kLblDiretorioOrigem),
  kIdLblLendoDestino = static_cast<int>(app::FormControl::kLblLendoDestino),
  kIdLblDiretorioDestino = static_cast<int>(app::FormControl::kLblDiretorioDestino),
  kIdTxmens = static_cast<int>(app::FormControl::kTxmens),
  kIdStatus = 140,  // the status line: the configuration read
};

enum MenuId : int {
  kIdMnuHabNumeracao = static_cast<int>(app::FormCommand::kMnuHabNumeracao),
  kIdMnuAbrirConfiguracao = static_cast<int>(app::FormCommand::kMnuAbrirConfiguracao),
  kIdMnuSair = static_cast<int>(app::FormCommand::kMnuSair),
};

inline constexpr int kIdIcon = 1;

}  // namespace vkt::win
