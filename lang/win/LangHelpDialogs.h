// The macro window's command picker ("Insert command") and the parameter
// list of one command ("Parameters").
#pragma once

#include <string>
#include <vector>

#include "framework/win/Dialog.h"

namespace lang {

class LangCommand;

class CLangParamHelp : public fw::Dialog {
 public:
  CLangParamHelp(const std::vector<std::string>& parameters, fw::Window* owner);
  bool OnInitDialog() override;

 private:
  const std::vector<std::string>& parameters_;
};

class CLangSmallHelp : public fw::Dialog {
 public:
  explicit CLangSmallHelp(fw::Window* owner);
  std::string parameters;
  std::string format;
  int commandIndex = 0;
  // The command list's text, taken at OK.
  std::string commandName;

  bool OnInitDialog() override;
  void DoDataExchange(fw::DataExchangeContext& dx) override;
  void OnOK() override;

 protected:
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  void ShowFormat();
  std::vector<LangCommand*> commands_;
};

}  // namespace lang
