// The identifiers of the window's controls and menu items: WM_COMMAND carries
// them, GetDlgItem finds the controls by them, tests drive the window with
// them.
#pragma once

namespace vkt::win {

enum ControlId : int {
  kIdLabel1_1 = 101,  // "Repositório"
  kIdCbRepos = 102,
  kIdLabel1_0 = 103,  // "Tipo do Objeto"
  kIdCbObj = 104,
  kIdCmdExecuta0 = 110,  // "Gera Numeração"
  kIdCmdExecuta1 = 111,  // "Gera Install"
  kIdLblVersao = 120,
  kIdLblConfigUtilizado = 121,
  kIdLblLendoOrigem = 122,
  kIdLblDiretorioOrigem = 123,
  kIdLblLendoDestino = 124,
  kIdLblDiretorioDestino = 125,
  kIdTxmens = 130,
  kIdStatus = 140,  // the status line: the configuration read
};

enum MenuId : int {
  kIdMnuHabNumeracao = 201,
  kIdMnuAbrirConfiguracao = 202,
  kIdMnuSair = 203,
};

// The icon resource of the program.
inline constexpr int kIdIcon = 1;

}  // namespace vkt::win
