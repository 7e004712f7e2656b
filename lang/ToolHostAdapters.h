// The language's links to the tool host: the runner's seam, the
// registered-tool commands' link and the recorder's view of a finished run,
// each over the tool host's calls.
#pragma once

#include <functional>
#include <string>

#include "lang/LangCommand.h"
#include "lang/Recorder.h"
#include "lang/ToolRunner.h"

struct LUTool;

namespace lang {

class LUToolRunHost final : public ToolRunHost {
 public:
  explicit LUToolRunHost(const void* site = nullptr) : site_(site) {}
  const void* Site() const { return site_; }
  ToolHandle CreateTool(const std::string& idName) override;
  void DeleteTool(ToolHandle tool) override;
  void FreezeError() override;
  void UnfreezeError() override;
  int SetParameter(ToolHandle tool, int slot, const void* value) override;
  int GetParameter(ToolHandle tool, int slot, void* out) override;
  int GetParameterByRef(ToolHandle tool, int slot, void** out) override;
  int GetParamDimension(ToolHandle tool, int slot) override;
  char GetParamFormat(ToolHandle tool, int slot) override;
  std::uint32_t GetCapsFlags(ToolHandle tool, int kind) override;
  int ToolExecute(ToolHandle tool, int backup) override;
  int GetOutRect(ToolHandle tool, RECT* out) override;
  Fragment* GetOutFrg(ToolHandle tool) override;
  int GetRegToolIDNumber(const std::string& idName) override;
  std::string GetRegToolMenuName(int tool) override;
  void SetErrorString(const std::string& text) override;
  int ImageKindOf(const VrWA2000::WA* buffer) override;

 private:
  const void* site_;
};

// Registered-tool commands over the tool host; tool statements run on the
// buffer `currentImage` gives for the run (the run's active layer of the
// active image; none: the statement fails, saying why in the run).
class LUToolHostLink final : public ToolHostLink {
 public:
  using ImageOfRun = std::function<VrWA2000::WA*(ScriptRunState& state)>;
  LUToolHostLink(ToolRunContext& context, ImageOfRun currentImage)
      : context_(context), currentImage_(std::move(currentImage)) {}
  bool CanCreateTool(const std::string& toolId) override;
  std::string LoadToolHelp(const std::string& toolId) override;
  int RunToolStatement(const ToolCommand& command, const char* arguments, ScriptRunState& state) override;
  // The result code of the last tool statement.
  int LastResult() const { return lastResult_; }

 private:
  ToolRunContext& context_;
  ImageOfRun currentImage_;
  int lastResult_ = 0;
};

// A finished run of a tool instance, as the recorder reads it.
class LURecordToolSource final : public RecordToolSource {
 public:
  LURecordToolSource(LUTool* tool, bool workedOnShownImage) : tool_(tool), shown_(workedOnShownImage) {}
  std::string ToolText() override;
  bool WorkedOnShownImage() override { return shown_; }
  void ReadEdge(std::int32_t& degree, std::int32_t& type) override;
  std::string ToolIdName() override;
  bool GetParameter(int index, char conversion, LangValue& out) override;

 private:
  LUTool* tool_;
  bool shown_;
};

}  // namespace lang
