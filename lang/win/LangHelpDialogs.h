// The macro window's command picker ("Insert command"), the parameter
// list of one command ("Parameters") and the effects generator.
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

// "Effects generator": one registered tool's command, its first and last
// frames' parameters, the frame count, the sequence's base path and kind,
// and whether the script is appended or run.
class CLangEffects : public fw::Dialog {
 public:
  enum Action { kGenerateMacros = 0, kGenerateEffect = 1 };
  explicit CLangEffects(fw::Window* owner);
  int kind = 0;  // 0 DIB, 1 TARGA, 2 JPEG
  int commandIndex = 0;
  std::string format;
  std::string initialParameters;
  std::string endParameters;
  int action = kGenerateMacros;
  int frames = 10;
  std::string path = "EFFECTS";
  std::string help;
  // The command list's text, taken at OK.
  std::string commandName;

  bool OnInitDialog() override;
  void DoDataExchange(fw::DataExchangeContext& dx) override;
  void OnOK() override;

 protected:
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  void ShowCommand();
  LangCommand* Selected() const;
  std::vector<LangCommand*> commands_;
};

}  // namespace lang
