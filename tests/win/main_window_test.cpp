// The Win32 window under Wine, driven through window messages as a user's
// clicks arrive: WM_COMMAND with the controls' identifiers, BM_CLICK, the
// lists' CB_ messages, WM_CLOSE. Message boxes are the real MessageBoxW, and
// the dialogs the system's: a CBT hook of the test's thread sees each one
// open, notes it and presses OK (a dialog: Cancel).
#include "win/main_window.h"

#include <gtest/gtest.h>
#include "win/windows_api.h"

#include <array>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "app/config_lookup.h"
#include "app/first_start.h"
#include "app/form_expectations.h"
#include "app/startup.h"
#include "app/version.h"
#include "fs/platform/file_system.h"
#include "support/temp_dir.h"
#include "win/control_ids.h"
#include "win/fonts.h"
#include "win/wide_text.h"

namespace vkt::win {
namespace {

using testing::TempDir;
using Texts = std::vector<std::string>;

std::string Text(HWND hwnd) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return Utf8(text);
}

HWND Item(const MainWindow& window, int id) {
  HWND control = GetDlgItem(window.hwnd(), id);
  EXPECT_NE(control, nullptr) << id;
  return control;
}

std::string Messages(const MainWindow& window) { return Text(Item(window, kIdTxmens)); }

Texts Items(const MainWindow& window, int list_id) {
  HWND list = Item(window, list_id);
  Texts items;
  const auto count = SendMessageW(list, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    std::wstring item(static_cast<std::size_t>(SendMessageW(list, CB_GETLBTEXTLEN, i, 0)), L'\0');
    SendMessageW(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data()));
    items.push_back(Utf8(item));
  }
  return items;
}

// What a user's pick does: the list selects the entry and tells its parent.
void Pick(const MainWindow& window, int list_id, const std::string& entry) {
  HWND list = Item(window, list_id);
  const LRESULT index = SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(Wide(entry).c_str()));
  ASSERT_NE(index, CB_ERR) << entry;
  SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageW(window.hwnd(), WM_COMMAND, MAKEWPARAM(list_id, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(list));
}

void Click(const MainWindow& window, int button_id) {
  SendMessageW(Item(window, button_id), BM_CLICK, 0, 0);
}

void Menu(const MainWindow& window, int item_id) {
  SendMessageW(window.hwnd(), WM_COMMAND, MAKEWPARAM(item_id, 0), 0);
}

// "1" for each of the controls a run disables that is enabled.
std::string Enabled(const MainWindow& window) {
  std::string flags;
  for (app::FormControl control : app::kControlsOffDuringRun) {
    flags += IsWindowEnabled(Item(window, static_cast<int>(control))) ? "1" : "0";
  }
  return flags;
}

bool Shown(const MainWindow& window, int id) {
  return (GetWindowLongPtrW(Item(window, id), GWL_STYLE) & WS_VISIBLE) != 0;
}

// Presses OK on every message box the test's thread opens. While a Boxes
// object lives it notes
// each as "title | text [| critical] | enabled controls", and, during a run,
// whether the window refused to close at that moment; `areas` gets the text
// of the message area at each box.
class Boxes {
 public:
  // `answer`: the button pressed on each box.
  explicit Boxes(const MainWindow* window = nullptr, int answer = IDOK)
      : window_(window), answer_(answer) {
    // One hook for the thread, for the whole program: a box no test expects
    // is answered too (and fails the test) instead of waiting for a user.
    static const HHOOK hook =
        SetWindowsHookExW(WH_CBT, &Boxes::Hook, nullptr, GetCurrentThreadId());
    EXPECT_NE(hook, nullptr);
    current_ = this;
  }
  ~Boxes() { current_ = nullptr; }
  Boxes(const Boxes&) = delete;
  Boxes& operator=(const Boxes&) = delete;

  Texts shown;
  Texts areas;
  // For each box: its title fits, with room for the close button beside it.
  std::vector<bool> titles_fit;

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_ACTIVATE) {
      // NOLINTNEXTLINE(performance-no-int-to-ptr): the hook's WPARAM is the window
      HWND activated = reinterpret_cast<HWND>(wparam);
      if (current_ != nullptr) {
        current_->Seen(activated);
      } else if (IsBox(activated)) {
        ADD_FAILURE() << "unexpected box: " << Text(activated);
        PostMessageW(activated, WM_COMMAND, IDOK, 0);
      }
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
  }

  static BOOL CALLBACK FindIcon(HWND child, LPARAM found) {
    // The box is not shown yet when it is activated: the icon's own style
    // says whether it will be.
    const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
    if ((style & SS_TYPEMASK) == SS_ICON && (style & WS_VISIBLE) != 0 &&
        SendMessageW(child, STM_GETICON, 0, 0) != 0) {
      *reinterpret_cast<bool*>(found) = true;  // NOLINT(performance-no-int-to-ptr)
    }
    return TRUE;
  }

  static bool TitleFits(HWND box) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0,
                               GetDpiForWindow(box));
    HFONT font = CreateFontIndirectW(&metrics.lfCaptionFont);
    HDC dc = GetDC(box);
    HGDIOBJ previous = SelectObject(dc, font);
    const std::wstring title = Wide(Text(box));
    SIZE extent{};
    GetTextExtentPoint32W(dc, title.c_str(), static_cast<int>(title.size()), &extent);
    SelectObject(dc, previous);
    ReleaseDC(box, dc);
    DeleteObject(font);
    RECT rect{};
    GetWindowRect(box, &rect);
    return rect.right - rect.left >= extent.cx + 2 * metrics.iCaptionWidth;
  }

  static bool IsBox(HWND window) {
    wchar_t class_name[16] = {};
    GetClassNameW(window, class_name, 16);
    return std::wstring(class_name) == L"#32770";
  }

  void Seen(HWND box) {
    if (!IsBox(box)) return;
    if (std::find(answered_.begin(), answered_.end(), box) != answered_.end()) return;
    answered_.push_back(box);
    std::string seen = Text(box) + " | " + Text(GetDlgItem(box, 0xFFFF));
    bool icon = false;
    EnumChildWindows(box, &Boxes::FindIcon, reinterpret_cast<LPARAM>(&icon));
    if (icon) seen += " | critical";
    titles_fit.push_back(TitleFits(box));
    if (window_ != nullptr && window_->hwnd() != nullptr) {
      seen += " | " + Enabled(*window_);
      areas.push_back(Messages(*window_));
      if (window_->running()) {
        SendMessageW(window_->hwnd(), WM_CLOSE, 0, 0);
        seen += window_->hwnd() == nullptr ? " | closed mid-run" : " | stays open";
      }
    }
    shown.push_back(seen);
    PostMessageW(box, WM_COMMAND, answer_, 0);
  }

  static Boxes* current_;
  const MainWindow* window_;
  int answer_;
  std::vector<HWND> answered_;
};

Boxes* Boxes::current_ = nullptr;

// Native form of a TempDir path.
std::string Native(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

// The bundled example, copied next to the test program by the build.
std::string ExampleCopy(const TempDir& dir) {
  const std::filesystem::path from =
      std::filesystem::path(Wide(platform::ExecutableFolder())) / L"examples" / L"pedidos";
  const std::filesystem::path to = std::filesystem::path(Wide(dir.path())) / L"pedidos";
  std::filesystem::copy(from, to, std::filesystem::copy_options::recursive);
  return Native(dir / "pedidos");
}

TEST(MainWindowStart, AnUnusableCodePageIsShownAndGeraInstallAsksForARepository) {
  TempDir dir;
  dir.Write("VKTGeraInstallBD.ini", "[GERAL]\nCodePage=klingon\nREPOSITORIO=A,B\n");
  Boxes start_boxes;
  MainWindow window(Native(dir.path()));
  EXPECT_EQ(start_boxes.shown, Texts{"VKTGeraInstallBD | CodePage desconhecido no arquivo ini: "
                                     "klingon\r\nUsando: windows-1252 | critical"});
  Boxes boxes(&window);
  SetWindowTextW(Item(window, kIdTxmens), L"old run");
  Click(window, kIdCmdExecuta1);
  EXPECT_EQ(boxes.shown, Texts{form_expectations::kAskForRepository});
  EXPECT_EQ(Items(window, kIdCbRepos), (Texts{"A", "B"}));
  EXPECT_EQ(SendMessageW(Item(window, kIdCbRepos), CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_EQ(Items(window, kIdCbObj), form_expectations::ObjectTypeList());
  EXPECT_EQ(SendMessageW(Item(window, kIdCbObj), CB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(Messages(window), "");
  EXPECT_EQ(Text(Item(window, kIdLblVersao)), std::string("Versão ") + kVersionText);
  EXPECT_EQ(Text(Item(window, kIdStatus)),
            "Configuração: " + Native(dir.path()) + "\\VKTGeraInstallBD.ini");
  EXPECT_EQ(Text(window.hwnd()), "Geração de Scripts de Instalação");
  // The menu: Arquivo with its three commands.
  HMENU arquivo = GetSubMenu(GetMenu(window.hwnd()), 0);
  Texts commands;
  for (int i = 0; i < GetMenuItemCount(arquivo); ++i) {
    wchar_t caption[64] = {};
    GetMenuStringW(arquivo, static_cast<UINT>(i), caption, 64, MF_BYPOSITION);
    commands.push_back(std::to_string(GetMenuItemID(arquivo, i)) + " " + Utf8(caption));
  }
  EXPECT_EQ(commands,
            (Texts{std::to_string(kIdMnuHabNumeracao) + " Habilita Numeração",
                   std::to_string(kIdMnuAbrirConfiguracao) + " Abrir configuração…\tCtrl+O", "0 ",
                   std::to_string(kIdMnuSair) + " Sair"}));
}

// Started with its boxes recorded (--quit-after-start), a window whose
// configuration cannot be read comes up without waiting for anyone.
TEST(MainWindowStart, RecordedBoxesAreNotShownAndMakeTheStartFail) {
  TempDir dir;
  dir.MakeDir("VKTGeraInstallBD.ini");
  WindowStart start;
  start.environment.config_option = Native(dir / "VKTGeraInstallBD.ini");
  start.registry_key.clear();
  start.quit_when_closed = false;
  start.record_boxes = true;
  Boxes boxes;
  MainWindow window(start);
  EXPECT_EQ(boxes.shown, Texts{});
  ASSERT_EQ(window.recorded_boxes().size(), 1u);
  EXPECT_TRUE(window.recorded_boxes()[0].starts_with("Initialization File Error: Error Number: "));
  EXPECT_EQ(app::QuitAfterStartStatus(window.ConfigurationFound(), window.recorded_boxes().size()),
            1);
}

// A box with a short text ("FIM") is still wide enough for its title.
TEST(MainWindowBoxes, AShortTextDoesNotCutTheTitle) {
  TempDir dir;
  MainWindow window(Native(dir.path()));
  Boxes boxes(&window);
  Desktop().boxes->Show("FIM", "VKTGeraInstallBD - Geração de Scripts", BoxIcon::kNone);
  EXPECT_EQ(boxes.shown,
            Texts{"VKTGeraInstallBD - Geração de Scripts | FIM | " + form_expectations::kEnabled});
  EXPECT_EQ(boxes.titles_fit, std::vector<bool>{true});
}

// The program's message loop gives every other window of the thread its
// messages (a combo box's drop-down list is one), and ends at WM_QUIT.
TEST(MainWindowLoop, DispatchesOtherWindowsMessagesAndEndsAtQuit) {
  TempDir dir;
  MainWindow window(Native(dir.path()));
  MainWindow other(Native(dir.path()));
  PostMessageW(other.hwnd(), WM_CLOSE, 0, 0);
  PostQuitMessage(7);
  EXPECT_EQ(window.RunMessageLoop(), 7);
  EXPECT_EQ(other.hwnd(), nullptr);
  EXPECT_NE(window.hwnd(), nullptr);
}

// The lookup of a window started without --config, in folders of the test.
class MainWindowLookup : public ::testing::Test {
 protected:
  static constexpr wchar_t kTestKey[] = L"Software\\VKTGeraInstallBD-tests";
  MainWindowLookup() {
    RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey);
    dir_.MakeDir("bin");
    start_.environment.executable_folder = Native(dir_ / "bin");
    start_.environment.app_data = Native(dir_ / "appdata");
    start_.environment.program_data = Native(dir_ / "programdata");
    start_.registry_key = kTestKey;
    start_.quit_when_closed = false;
  }
  ~MainWindowLookup() override { RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey); }

  TempDir dir_;
  WindowStart start_;
};

TEST_F(MainWindowLookup, NothingFoundIsSaidInTheMessageAreaUntilAConfigurationIsRead) {
  MainWindow window(start_);
  // The lookup's and the first steps' own words, with the window's line ends.
  const std::string looked =
      Utf8(WithCrLf(app::NotFoundMessage(app::FindMainConfiguration(start_.environment))));
  EXPECT_EQ(Messages(window), looked + Utf8(WithCrLf("\n\n" + app::FirstStepsText({}))));
  EXPECT_EQ(Text(Item(window, kIdStatus)),
            "Configuração: nenhuma (VKTGeraInstallBD.ini não encontrada)");
  EXPECT_EQ(Items(window, kIdCbRepos), Texts{});

  {
    Boxes boxes(&window);
    Click(window, kIdCmdExecuta1);
    EXPECT_EQ(boxes.shown, Texts{form_expectations::kAskForRepository});
  }
  EXPECT_NE(Messages(window).find(looked), std::string::npos);

  dir_.Write("outra/Escolhida.ini", "[GERAL]\nREPOSITORIO=B1,B2\n");
  window.OpenConfiguration(Native(dir_ / "outra/Escolhida.ini"));
  EXPECT_EQ(Messages(window), "");
  EXPECT_EQ(Items(window, kIdCbRepos), (Texts{"B1", "B2"}));
  EXPECT_EQ(Text(Item(window, kIdStatus)), "Configuração: " + Native(dir_ / "outra/Escolhida.ini"));
  // Remembered for the next start.
  EXPECT_EQ(RememberedValue(kTestKey, kRememberedValue).Read(),
            Native(dir_ / "outra/Escolhida.ini"));
  MainWindow next(start_);
  EXPECT_EQ(Items(next, kIdCbRepos), (Texts{"B1", "B2"}));
}

// Installed under Program Files, the example is offered as the user's own
// copy in Documents, made at the first start (a copy that fails: see
// tests/app/first_start_test.cpp).
TEST_F(MainWindowLookup, TheInstalledExampleIsOfferedAsACopyInTheUsersDocuments) {
  dir_.Write("bin/examples/pedidos/VKTGeraInstallBD.ini", "[GERAL]\nREPOSITORIO=PEDIDOS\n");
  dir_.MakeDir("docs");
  start_.environment.documents = Native(dir_ / "docs");
  start_.example_installed = true;
  MainWindow window(start_);
  EXPECT_NE(Messages(window).find(
                "\r\nExemplo pronto: " + Native(dir_ / "docs/VKTGeraInstallBD/pedidos") +
                "\\VKTGeraInstallBD.ini\r\n(uma cópia sua do exemplo "
                "instalado em " +
                Native(dir_ / "bin/examples/pedidos") + ")"),
            std::string::npos)
      << Messages(window);
  EXPECT_TRUE(dir_.Exists("docs/VKTGeraInstallBD/pedidos/VKTGeraInstallBD.ini"));
}

// The bundled example, in a copy of the test's own.
class MainWindowExample : public ::testing::Test {
 protected:
  MainWindowExample() : example_(ExampleCopy(dir_)) {
    WindowStart start;
    start.environment.config_option = example_ + "\\VKTGeraInstallBD.ini";
    start.registry_key.clear();
    start.quit_when_closed = false;
    window_ = std::make_unique<MainWindow>(start);
    ShowWindow(window_->hwnd(), SW_SHOWNOACTIVATE);
    // The example's only repository is chosen without a pick.
  }
  TempDir dir_;
  std::string example_;
  std::unique_ptr<MainWindow> window_;
};

// The window refuses to close during the run and closes after it.
TEST_F(MainWindowExample, GeraInstallWritesThePackageAndEndsWithFim) {
  EXPECT_EQ(SendMessageW(Item(*window_, kIdCbRepos), CB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(window_->session().settings.SISTEMA, "PEDIDOS");
  // Posted now, the request is taken from the queue by the run's first
  // yield, while the run goes on.
  PostMessageW(window_->hwnd(), WM_CLOSE, 0, 0);
  {
    Boxes boxes(window_.get());
    Click(*window_, kIdCmdExecuta1);
    // The box asks once more ("stays open").
    EXPECT_EQ(boxes.shown, Texts{form_expectations::kFimDuringRun});
  }
  EXPECT_EQ(window_->refused_closes(), 2);
  ASSERT_NE(window_->hwnd(), nullptr);
  EXPECT_TRUE(IsWindow(window_->hwnd()));
  MSG pending;
  EXPECT_FALSE(PeekMessageW(&pending, window_->hwnd(), WM_CLOSE, WM_CLOSE, PM_NOREMOVE));
  // The path as the core writes it (tested with the command line's cases);
  // here only where it leads counts.
  std::string messages = Messages(*window_);
  std::replace(messages.begin(), messages.end(), '\\', '/');
  std::string missing = example_ + "/repositorio/TRIGGERS/TRG_ITEM_AUDITORIA.sql";
  std::replace(missing.begin(), missing.end(), '\\', '/');
  EXPECT_EQ(messages,
            "\r\nArquivo Nao esta no ini: VW_PEDIDOS_ANTIGOS.sql"
            "\r\nArquivo Nao esta no ini: VW_PEDIDOS_ANTIGOS.ora"
            "\r\nArquivo não encontrado: " +
                missing +
                "\r\nNao existe a seção: SINONIMOS no arquivo ini"
                "\r\nNao existe a seção: SINONIMOS no arquivo ini");
  EXPECT_TRUE(platform::IsDirectory(example_ + "\\pacote\\ORACLE\\02-ATUALIZACAO"));
  EXPECT_TRUE(platform::IsDirectory(example_ + "\\pacote\\SQL_SERVER\\02-ATUALIZACAO"));
  // The labels tell where the package went and how the run ended.
  EXPECT_EQ(Text(Item(*window_, kIdLblConfigUtilizado)),
            "Pacote: " + example_ +
                "\\pacote — 5 problemas; versão acrescentada a "
                "SQL_SERVER\\02-ATUALIZACAO\\15-SA_Versao_Database.sql");
  EXPECT_EQ(Text(Item(*window_, kIdLblDiretorioOrigem)), example_ + "\\repositorio");
  EXPECT_EQ(Text(Item(*window_, kIdLblDiretorioDestino)), example_ + "\\pacote");
  EXPECT_EQ(Enabled(*window_), form_expectations::kEnabled);
  // "Sair" asks as the close box does; after the run the window goes.
  Menu(*window_, kIdMnuSair);
  MSG message;
  while (window_->hwnd() != nullptr && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    DispatchMessageW(&message);
  }
  EXPECT_EQ(window_->hwnd(), nullptr);
}

TEST_F(MainWindowExample, GeraNumeracaoIsRevealedByTheMenuAndListsTheFolder) {
  EXPECT_FALSE(Shown(*window_, kIdCmdExecuta0));
  Menu(*window_, kIdMnuHabNumeracao);
  EXPECT_TRUE(Shown(*window_, kIdCmdExecuta0));
  Menu(*window_, kIdMnuHabNumeracao);
  EXPECT_TRUE(Shown(*window_, kIdCmdExecuta0));
  Pick(*window_, kIdCbObj, "TABELAS");
  Boxes boxes(window_.get());
  Click(*window_, kIdCmdExecuta0);
  EXPECT_EQ(boxes.shown, Texts{form_expectations::kFimDuringRun});
  EXPECT_EQ(Messages(*window_),
            "\r\nFILE1=CRIA_CLIENTE\r\nFILE2=CRIA_ITEM_PEDIDO\r\nFILE3=CRIA_PEDIDO"
            "\r\nFILE4=CRIA_PRODUTO");
  EXPECT_FALSE(platform::IsDirectory(example_ + "\\pacote"));
}

// Left, top, width and height of a control in the window's client area.
using Box = std::array<LONG, 4>;
Box Placed(const MainWindow& window, int id) {
  RECT r{};
  GetWindowRect(Item(window, id), &r);
  MapWindowPoints(nullptr, window.hwnd(), reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

// At 144 DPI the designed window is taller than an 800-pixel work area: it
// may be made as small as the work area, and the message area gives up the
// height.
TEST(MainWindowLayout, AtOneAndAHalfTheDpiTheSmallestSizeFitsAnEightHundredPixelWorkArea) {
  const int designed_height = TwipsToPixels(8040, 144) + 100;
  const MinimumSize size = MinimumWindowSize(144, 16, 100, 1280, 800);
  EXPECT_EQ(size.width, TwipsToPixels(11040, 144) + 16);
  EXPECT_EQ(size.height, 800);
  EXPECT_EQ(size.message_height, TwipsToPixels(4335, 144) - (designed_height - 800));
  // Where the work area is large enough, the designed size stands.
  const MinimumSize roomy = MinimumWindowSize(144, 16, 100, 1920, 1040);
  EXPECT_EQ(roomy.height, designed_height);
  EXPECT_EQ(roomy.message_height, TwipsToPixels(4335, 144));
  // Never below nothing, however small the screen.
  EXPECT_EQ(MinimumWindowSize(144, 16, 100, 640, 200).message_height, 0);
}

// The smallest size the window lets the user give its frame.
POINT MinimumSize(const MainWindow& window) {
  MINMAXINFO limits{};
  SendMessageW(window.hwnd(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
  return limits.ptMinTrackSize;
}

TEST(MainWindowLayout, ControlsStandInTheirTwipsAndTheMessageAreaTakesTheExtraRoom) {
  TempDir dir;
  MainWindow window(Native(dir.path()));
  ShowWindow(window.hwnd(), SW_SHOWNOACTIVATE);
  const int dpi = window.dpi();
  const auto px = [dpi](int twips) { return TwipsToPixels(twips, dpi); };
  const Box buttons{px(6360), px(600), px(1500), px(495)};
  const Box area{px(165), px(3480), px(10650), px(4335)};
  EXPECT_EQ(Placed(window, kIdCmdExecuta1), buttons);
  EXPECT_EQ(Placed(window, kIdTxmens), area);
  // Fixed captions are at least as wide as GDI measures them.
  for (int id : {kIdLabel1_1, kIdLabel1_0, kIdLblLendoOrigem, kIdLblLendoDestino, kIdLblVersao}) {
    HWND label = Item(window, id);
    HDC dc = GetDC(label);
    HGDIOBJ previous =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
    const std::wstring caption = Wide(Text(label));
    SIZE extent{};
    GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
    SelectObject(dc, previous);
    ReleaseDC(label, dc);
    EXPECT_GE(Placed(window, id)[2], extent.cx) << Text(label);
  }

  RECT frame{};
  GetWindowRect(window.hwnd(), &frame);
  EXPECT_EQ(MinimumSize(window).x, frame.right - frame.left);
  EXPECT_EQ(MinimumSize(window).y, frame.bottom - frame.top);
  SetWindowPos(window.hwnd(), nullptr, 0, 0, frame.right - frame.left + 200,
               frame.bottom - frame.top + 100, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(Placed(window, kIdTxmens), (Box{area[0], area[1], area[2] + 200, area[3] + 100}));
  EXPECT_EQ(Placed(window, kIdCmdExecuta1), buttons);
}

// What a move to a screen of one and a half times the DPI sends: the window
// lays itself out again for it, fonts included, and takes the size the
// system suggests.
TEST(MainWindowLayout, ANewDpiLaysTheWindowOutAgain) {
  TempDir dir;
  MainWindow window(Native(dir.path()));
  const int dpi = window.dpi() * 3 / 2;
  RECT frame{};
  GetWindowRect(window.hwnd(), &frame);
  RECT suggested{frame.left, frame.top, frame.left + 3 * (frame.right - frame.left) / 2 + 10,
                 frame.top + 3 * (frame.bottom - frame.top) / 2 + 10};
  SendMessageW(window.hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
               reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(window.dpi(), dpi);
  const Box button = Placed(window, kIdCmdExecuta1);
  EXPECT_EQ(button[0], TwipsToPixels(6360, dpi));
  EXPECT_EQ(button[2], TwipsToPixels(1500, dpi));
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Item(window, kIdCmdExecuta1), WM_GETFONT, 0, 0)),
             sizeof(font), &font);
  EXPECT_EQ(font.lfHeight, -static_cast<LONG>(std::lround(9.75 * dpi / 72)));
  EXPECT_EQ(font.lfWeight, FW_BOLD);
  EXPECT_EQ(std::wstring(font.lfFaceName), L"MS Sans Serif");
  // The status line takes the labels' font, new with the DPI too.
  EXPECT_EQ(SendMessageW(Item(window, kIdStatus), WM_GETFONT, 0, 0),
            SendMessageW(Item(window, kIdLabel1_1), WM_GETFONT, 0, 0));
  GetWindowRect(window.hwnd(), &frame);
  EXPECT_EQ(frame.right - frame.left, suggested.right - suggested.left);
  EXPECT_LE(MinimumSize(window).x, frame.right - frame.left);
  EXPECT_GT(MinimumSize(window).x, TwipsToPixels(11040, dpi));
}

// Text is measured with GDI and files have the shell's icons. "Abrir
// configuração…" opens the system's file dialog and the folder picker is the
// system's folder dialog, each titled as asked; cancelled, nothing changes
// and the picker gives "".
TEST(MainWindowServices, AreTheSystemsOwn) {
  TempDir dir;
  dir.Write("VKTGeraInstallBD.ini", "[GERAL]\nREPOSITORIO=A\n");
  MainWindow window(Native(dir.path()));
  const DesktopServices& desktop = Desktop();
  std::int32_t width = 0;
  std::int32_t height = 0;
  ASSERT_TRUE(desktop.text->Measure(0, u"Gera Install", &width, &height));
  std::int32_t wider = 0;
  ASSERT_TRUE(desktop.text->Measure(0, u"Gera Install Gera Install", &wider, &height));
  EXPECT_GT(width, 0);
  EXPECT_GT(wider, width);
  EXPECT_GT(height, 0);
  std::int32_t empty_width = -1;
  ASSERT_TRUE(desktop.text->Measure(0, u"", &empty_width, &height));
  EXPECT_EQ(empty_width, 0);

  std::int32_t small_index = -1;
  std::int32_t small_list = 0;
  std::int32_t large_index = -1;
  std::int32_t large_list = 0;
  ASSERT_TRUE(desktop.icons->IconIndex("leiame.txt", true, &small_index, &small_list));
  ASSERT_TRUE(desktop.icons->IconIndex("leiame.txt", false, &large_index, &large_list));
  EXPECT_EQ(small_index, large_index);
  EXPECT_NE(small_list, large_list);
  EXPECT_NE(small_list, 0);
  IconImage image;
  ASSERT_TRUE(desktop.icons->Icon("leiame.txt", 32, &image));
  EXPECT_EQ(image.width, 32);
  EXPECT_EQ(image.argb.size(), 32u * 32u);
  EXPECT_TRUE(std::any_of(image.argb.begin(), image.argb.end(),
                          [](std::uint32_t pixel) { return (pixel >> 24) == 0xFF; }));

  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  std::string chosen = "not asked";
  {
    Boxes boxes(nullptr, IDCANCEL);
    Menu(window, kIdMnuAbrirConfiguracao);
    chosen = desktop.picker->PickFolder("Escolha a pasta", Native(dir.path()));
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].substr(0, boxes.shown[0].find(" | ")), "Abrir configuração");
    EXPECT_EQ(boxes.shown[1].substr(0, boxes.shown[1].find(" | ")), "Escolha a pasta");
  }
  CoUninitialize();
  EXPECT_EQ(chosen, "");
  EXPECT_EQ(Items(window, kIdCbRepos), Texts{"A"});
  EXPECT_EQ(window.session().MainConfigPath(), Native(dir.path()) + "\\VKTGeraInstallBD.ini");
}

}  // namespace
}  // namespace vkt::win
