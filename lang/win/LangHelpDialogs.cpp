// The command picker, the parameter list and the effects generator.
#include "lang/win/LangHelpDialogs.h"

#include "lang/LangCommand.h"
#include "lang/MacroText.h"
#include "res/resource.h"

namespace lang {

CLangParamHelp::CLangParamHelp(const std::vector<std::string>& parameters, fw::Window* owner)
    : fw::Dialog(IDD_LANG_PARAM_HELP, owner), parameters_(parameters) {}

bool CLangParamHelp::OnInitDialog() {
  fw::Dialog::OnInitDialog();
  HWND list = GetDlgItem(hwnd_, IDC_LANG_PARAM_LIST);
  for (const std::string& line : ParameterHelpLines(parameters_))
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
  SendMessageA(list, LB_SETCURSEL, 0, 0);
  return true;
}

CLangSmallHelp::CLangSmallHelp(fw::Window* owner) : fw::Dialog(IDD_LANG_SMALL_HELP, owner) {}

void CLangSmallHelp::DoDataExchange(fw::DataExchangeContext& dx) {
  const fw::Binding table[] = {fw::BindComboIndex(IDC_LANG_COMMANDS, commandIndex),
                               fw::BindText(IDC_LANG_PARAMS, parameters), fw::BindText(IDC_LANG_FORMAT, format)};
  dx.Exchange(table);
}

bool CLangSmallHelp::OnInitDialog() {
  commands_.clear();
  CollectLangCommands(commands_);
  HWND list = GetDlgItem(hwnd_, IDC_LANG_COMMANDS);
  for (LangCommand* command : commands_)
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(command->GetName().c_str()));
  commandIndex = 0;
  fw::Dialog::OnInitDialog();
  ShowFormat();
  return true;
}

void CLangSmallHelp::ShowFormat() {
  const int index = static_cast<int>(SendDlgItemMessageA(hwnd_, IDC_LANG_COMMANDS, CB_GETCURSEL, 0, 0));
  format = index >= 0 && index < static_cast<int>(commands_.size()) ? commands_[static_cast<std::size_t>(index)]->GetFormat()
                                                                     : std::string();
  SetDlgItemTextA(hwnd_, IDC_LANG_FORMAT, format.c_str());
}

void CLangSmallHelp::OnOK() {
  char name[256] = {};
  GetDlgItemTextA(hwnd_, IDC_LANG_COMMANDS, name, sizeof name);
  commandName = name;
  fw::Dialog::OnOK();
}

namespace {

// The "?" button of both dialogs: the command's parameter texts.
void ShowParameterHelp(const std::vector<LangCommand*>& commands, int index, fw::Window* owner) {
  std::vector<std::string> texts;
  if (index >= 0 && index < static_cast<int>(commands.size())) {
    const LangCommand& command = *commands[static_cast<std::size_t>(index)];
    for (int i = 0; i < command.GetParamCount(); ++i) texts.push_back(command.GetParam(i));
  }
  CLangParamHelp help(texts, owner);
  help.DoModal();
}

}  // namespace

bool CLangSmallHelp::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (message == WM_COMMAND && LOWORD(wParam) == IDC_LANG_COMMANDS && HIWORD(wParam) == CBN_SELCHANGE) {
    UpdateData(true);
    ShowFormat();
    return true;
  }
  if (message == WM_COMMAND && LOWORD(wParam) == IDC_LANG_PARAM_BUTTON && HIWORD(wParam) == BN_CLICKED) {
    UpdateData(true);
    ShowParameterHelp(commands_, commandIndex, this);
    return true;
  }
  return fw::Dialog::OnDialogMessage(message, wParam, lParam, result);
}

CLangEffects::CLangEffects(fw::Window* owner) : fw::Dialog(IDD_LANG_EFFECTS, owner) {}

void CLangEffects::DoDataExchange(fw::DataExchangeContext& dx) {
  const fw::Binding table[] = {fw::BindComboIndex(IDC_LANG_EFFECT_KIND, kind),
                               fw::BindComboIndex(IDC_LANG_COMMANDS, commandIndex),
                               fw::BindText(IDC_LANG_FORMAT, format),
                               fw::BindText(IDC_LANG_EFFECT_START, initialParameters),
                               fw::BindText(IDC_LANG_EFFECT_END, endParameters),
                               fw::BindRadio(IDC_LANG_EFFECT_MACROS, action),
                               fw::BindInt(IDC_LANG_EFFECT_FRAMES, frames, 1, 32000),
                               fw::BindText(IDC_LANG_EFFECT_PATH, path),
                               fw::BindText(IDC_LANG_EFFECT_HELP, help)};
  dx.Exchange(table);
}

bool CLangEffects::OnInitDialog() {
  commands_.clear();
  CollectLangToolCommands(commands_);
  HWND list = GetDlgItem(hwnd_, IDC_LANG_COMMANDS);
  for (LangCommand* command : commands_)
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(command->GetName().c_str()));
  HWND kinds = GetDlgItem(hwnd_, IDC_LANG_EFFECT_KIND);
  for (const char* name : {"DIB", "TARGA", "JPEG"}) SendMessageA(kinds, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  kind = 0;
  commandIndex = 0;
  if (LangCommand* first = Selected()) {
    format = first->GetFormat();
    help = first->GetHelp();
  }
  fw::Dialog::OnInitDialog();
  return true;
}

LangCommand* CLangEffects::Selected() const {
  return commandIndex >= 0 && commandIndex < static_cast<int>(commands_.size())
             ? commands_[static_cast<std::size_t>(commandIndex)]
             : nullptr;
}

void CLangEffects::ShowCommand() {
  LangCommand* command = Selected();
  format = command != nullptr ? command->GetFormat() : std::string();
  help = command != nullptr ? command->GetHelp() : std::string();
  SetDlgItemTextA(hwnd_, IDC_LANG_FORMAT, format.c_str());
  SetDlgItemTextA(hwnd_, IDC_LANG_EFFECT_HELP, help.c_str());
}

void CLangEffects::OnOK() {
  char name[256] = {};
  GetDlgItemTextA(hwnd_, IDC_LANG_COMMANDS, name, sizeof name);
  commandName = name;
  fw::Dialog::OnOK();
}

bool CLangEffects::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (message == WM_COMMAND && LOWORD(wParam) == IDC_LANG_COMMANDS && HIWORD(wParam) == CBN_SELCHANGE) {
    // Only the list is read: a half-typed frame count must not stop the
    // format and help from following the choice.
    commandIndex = static_cast<int>(SendDlgItemMessageA(hwnd_, IDC_LANG_COMMANDS, CB_GETCURSEL, 0, 0));
    ShowCommand();
    return true;
  }
  if (message == WM_COMMAND && LOWORD(wParam) == IDC_LANG_PARAM_BUTTON && HIWORD(wParam) == BN_CLICKED) {
    commandIndex = static_cast<int>(SendDlgItemMessageA(hwnd_, IDC_LANG_COMMANDS, CB_GETCURSEL, 0, 0));
    ShowParameterHelp(commands_, commandIndex, this);
    return true;
  }
  return fw::Dialog::OnDialogMessage(message, wParam, lParam, result);
}

}  // namespace lang
