#include "lang/ToolHostAdapters.h"

#include <algorithm>

#include "hostapi/imagebuf.h"
#include "hostapi/toolhost.h"
#include "lang/Script.h"
#include "res/StringTable.h"

namespace lang {
namespace {

LUTool* AsTool(ToolHandle tool) { return static_cast<LUTool*>(tool); }

std::string RegToolIdName(LUTool* tool) {
  char buffer[80] = {};
  if (!LUGetRegToolIDName(nullptr, LUGetToolID(tool), 1, buffer, sizeof buffer)) return {};
  return buffer;
}

}  // namespace

ToolHandle LUToolRunHost::CreateTool(const std::string& idName) { return LUCreateTool(site_, idName.c_str()); }
void LUToolRunHost::DeleteTool(ToolHandle tool) { LUDeleteTool(AsTool(tool)); }
void LUToolRunHost::FreezeError() { LUFreezeError(); }
void LUToolRunHost::UnfreezeError() { LUUnfreezeError(); }
int LUToolRunHost::SetParameter(ToolHandle tool, int slot, const void* value) {
  return LUSetParameter(AsTool(tool), slot, 0, value);
}
int LUToolRunHost::GetParameter(ToolHandle tool, int slot, void* out) {
  return LUGetParameter(AsTool(tool), slot, 0, out);
}
char LUToolRunHost::GetParamFormat(ToolHandle tool, int slot) { return LUGetParamFormat(AsTool(tool), slot); }
int LUToolRunHost::GetParameterByRef(ToolHandle tool, int slot, void** out) {
  return LUGetParameterByRef(AsTool(tool), slot, 0, out);
}
int LUToolRunHost::GetParamDimension(ToolHandle tool, int slot) { return LUGetParamDimension(AsTool(tool), slot); }
std::uint32_t LUToolRunHost::GetCapsFlags(ToolHandle tool, int kind) { return LUGetCapsFlags(AsTool(tool), kind); }
int LUToolRunHost::ToolExecute(ToolHandle tool, int backup) { return LUToolExecute(AsTool(tool), backup, 2, 0, 0); }
int LUToolRunHost::GetOutRect(ToolHandle tool, RECT* out) { return LUGetOutRectE(AsTool(tool), out) ? 0 : 1; }
Fragment* LUToolRunHost::GetOutFrg(ToolHandle tool) { return LUGetOutFrg(AsTool(tool)); }
int LUToolRunHost::GetRegToolIDNumber(const std::string& idName) {
  return LUGetRegToolIDNumber(site_, idName.c_str(), 0);
}
std::string LUToolRunHost::GetRegToolMenuName(int tool) {
  char buffer[128] = {};
  if (!LUGetRegToolMenuName(site_, tool, 1, buffer, sizeof buffer)) return {};
  return buffer;
}
void LUToolRunHost::SetErrorString(const std::string& text) { LUSetErrorString(site_, text.c_str()); }
int LUToolRunHost::ImageKindOf(const VrWA2000::WA* buffer) { return LUImageKindOfType(buffer->GetType()); }

bool LUToolHostLink::CanCreateTool(const std::string& toolId) {
  ToolRunHost& host = context_.host;
  host.FreezeError();
  ToolHandle tool = host.CreateTool(toolId);
  if (tool != nullptr) host.DeleteTool(tool);
  host.UnfreezeError();
  return tool != nullptr;
}

std::string LUToolHostLink::LoadToolHelp(const std::string& toolId) {
  // A tool's help is its prompt, string base + 3 of its module (the tools'
  // strings live in the program's string table); the menu name only when
  // the tool has none.
  if (const auto* host = dynamic_cast<const LUToolRunHost*>(&context_.host)) {
    const int tool = LUGetRegToolIDNumber(host->Site(), toolId.c_str(), 0);
    LU_REGTOOLINFO info{};
    if (tool != 0 && LUGetRegToolInfo(host->Site(), tool, 1, &info)) {
      const std::string_view help = res::String(static_cast<std::uint32_t>(info.baseStringId + 3));
      if (!help.empty()) return std::string(help);
    }
  }
  return GetToolUndoName(context_.host, toolId);
}

int LUToolHostLink::RunToolStatement(const ToolCommand& command, const char* arguments, ScriptRunState& state) {
  VrWA2000::WA* image = currentImage_ ? currentImage_(state) : nullptr;
  if (image == nullptr) {
    lastResult_ = kToolRunNoImageObject;
    return 0;
  }
  return RunToolOnImage(context_, command.ToolName(), image, arguments, command.GetFormat(), &state.selection,
                        state.edgeDegree, state.edgeType, &lastResult_);
}

std::string LURecordToolSource::ToolText() { return RegToolIdName(tool_); }
std::string LURecordToolSource::ToolIdName() { return RegToolIdName(tool_); }

void LURecordToolSource::ReadEdge(std::int32_t& degree, std::int32_t& type) {
  LUFreezeError();
  if (LUGetParameter(tool_, kLUSlotEdgeDegree, 0, &degree) != 0) degree = 0;
  if (LUGetParameter(tool_, kLUSlotEdgeType, 0, &type) != 0) type = 0;
  LUUnfreezeError();
}

bool LURecordToolSource::GetParameter(int index, char conversion, LangValue& out) {
  const char own = LUGetParamFormat(tool_, index);
  const auto scalar = [](char c) { return c == 'd' || c == 'c'; };
  if (own == '\0' || (own != conversion && !(scalar(own) && scalar(conversion)))) return false;
  // Large enough for every kind: four numbers or a text.
  union {
    std::int32_t numbers[4];
    char text[kLUParamTextSize];
  } value{};
  if (LUGetParameter(tool_, index, 0, &value) != 0) return false;
  switch (conversion) {
    case 'd': out.number = value.numbers[0]; return true;
    case 'c': out.color = static_cast<std::uint32_t>(value.numbers[0]); return true;
    case 's': out.text = value.text; return true;
    default: std::copy(value.numbers, value.numbers + 4, out.numbers); return true;
  }
}

}  // namespace lang
