// The command picker and the parameter list.
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

bool CLangSmallHelp::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (message == WM_COMMAND && LOWORD(wParam) == IDC_LANG_COMMANDS && HIWORD(wParam) == CBN_SELCHANGE) {
    UpdateData(true);
    ShowFormat();
    return true;
  }
  if (message == WM_COMMAND && LOWORD(wParam) == IDC_LANG_PARAM_BUTTON && HIWORD(wParam) == BN_CLICKED) {
    UpdateData(true);
    std::vector<std::string> texts;
    if (commandIndex >= 0 && commandIndex < static_cast<int>(commands_.size())) {
      const LangCommand& command = *commands_[static_cast<std::size_t>(commandIndex)];
      for (int i = 0; i < command.GetParamCount(); ++i) texts.push_back(command.GetParam(i));
    }
    CLangParamHelp help(texts, this);
    help.DoModal();
    return true;
  }
  return fw::Dialog::OnDialogMessage(message, wParam, lParam, result);
}

}  // namespace lang
