// The tool runner: runs one registered tool on an image buffer with the
// arguments of a statement, through the tool host's numbered parameter
// slots, and puts the result back into the image window showing the buffer.
//
// The tool host is reached through `ToolRunHost`, a thin seam over its
// calls, and the window through `ToolRunWindow` (the document classes stand
// behind it), so the slot protocol is tested against a scripted host.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/win32types.h"

class Fragment;
namespace VrWA2000 {
class WA;
}

namespace lang {

using ToolHandle = void*;

// The tool host's calls the runner makes, one to one.
class ToolRunHost {
 public:
  virtual ~ToolRunHost() = default;
  virtual ToolHandle CreateTool(const std::string& idName) = 0;
  virtual void DeleteTool(ToolHandle tool) = 0;
  virtual void FreezeError() = 0;
  virtual void UnfreezeError() = 0;
  virtual int SetParameter(ToolHandle tool, int slot, const void* value) = 0;
  virtual int GetParameter(ToolHandle tool, int slot, void* out) = 0;
  virtual int GetParameterByRef(ToolHandle tool, int slot, void** out) = 0;
  virtual int GetParamDimension(ToolHandle tool, int slot) = 0;
  // The format letter of the tool's own parameter, 0 when the host does not
  // say (then the vocabulary's format is trusted).
  virtual char GetParamFormat(ToolHandle, int) { return '\0'; }
  virtual std::uint32_t GetCapsFlags(ToolHandle tool, int kind) = 0;
  virtual int ToolExecute(ToolHandle tool, int backup) = 0;
  virtual int GetOutRect(ToolHandle tool, RECT* out) = 0;
  // The tool's output fragment, a reference for the caller (null: none).
  virtual Fragment* GetOutFrg(ToolHandle tool) = 0;
  virtual int GetRegToolIDNumber(const std::string& idName) = 0;
  virtual std::string GetRegToolMenuName(int tool) = 0;
  virtual void SetErrorString(const std::string& text) = 0;
  virtual int ImageKindOf(const VrWA2000::WA* buffer) = 0;
};

// The image window that shows a buffer: what the runner needs of it.
class ToolRunWindow {
 public:
  virtual ~ToolRunWindow() = default;
  // The window's image object (null: none); released by ReleaseImageObject.
  virtual void* GetImageObject() = 0;
  virtual void ReleaseImageObject(void* object) = 0;
  // The image of kind 0 (the one tools edit) or 3, not counted for the caller.
  virtual VrWA2000::WA* GetImage(int kind) = 0;
  // flag 1 records an undo step of `image`, 0 installs it.
  virtual void SetImage(VrWA2000::WA* image, int flag) = 0;
  virtual POINT GetImageOrigin() = 0;
  virtual RECT GetLayerRect() = 0;
  virtual std::uint32_t GetLayerFlags() = 0;
  virtual bool IsBackupCreatingAllowed() = 0;
  virtual int UpdateBackup(const std::string& undoName) = 0;
  virtual void Undo() = 0;
  // 0 on success.
  virtual int ResizeLayerTo(const RECT& rect) = 0;
  // A rectangle of image coordinates to repaint.
  virtual void InvalidateImageRect(const RECT& rect) = 0;
  virtual void SetDirtyFlag(bool dirty) = 0;
};

struct ToolRunContext {
  ToolRunHost& host;
  // The window showing a buffer, or null (may itself be empty).
  std::function<ToolRunWindow*(const VrWA2000::WA*)> findWindow;
};

// Result codes of a run.
inline constexpr int kToolRunNoImageObject = 3;
inline constexpr int kToolRunNoMemory = 16;
inline constexpr int kToolRunNoInsertTool = 51;
inline constexpr int kToolRunNotFromScript = 114;
inline constexpr int kToolRunNoResultRect = 512;
inline constexpr int kToolRunBadArguments = 768;

// Capability bits.
inline constexpr std::uint32_t kCapsModeMask = 7;
inline constexpr std::uint32_t kCapsSelectionAware = 0x38;
inline constexpr std::uint32_t kCapsResizesLayer = 0x80000;
inline constexpr std::uint32_t kLayerFlagWholeLayer = 0x100000;

// 1 on success, 0 on failure; `resultCode` (when given) receives the code.
int RunToolOnImage(ToolRunContext& context, const std::string& toolId, VrWA2000::WA* buffer,
                   std::string_view arguments, std::string_view format, Fragment** currentFragment,
                   int smoothDegree, int smoothType, int* resultCode = nullptr);

// Sets parameters 0, 1, 2 ... from the argument text by the format; 0 or a
// result code (768 for a format item or an argument that does not fit, or
// an item whose kind differs from the tool's parameter: integers and
// colours are both one 32-bit value and stand for each other).
int SetToolParameters(ToolRunHost& host, std::string_view arguments, std::string_view format, ToolHandle tool);

// What the insertion tool pastes and how.
struct InsertRequest {
  VrWA2000::WA* source = nullptr;
  VrWA2000::WA* secondary = nullptr;
  Fragment* mask = nullptr;
  int edgeDegree = 0;
  int edgeType = 0;
  std::int32_t insertX = 0;
  std::int32_t insertY = 0;
  std::int32_t extra = 0;  // slot 51 when not 0
  std::int32_t auxFlag = 0;  // slot -28
  std::uint32_t layerFlags = 0;
};
// Pastes a result into the window's layer with "#Insert_Tool"; 0 or a
// result code (51 when the tool is not registered).
int InsertFragmentResult(ToolRunHost& host, ToolRunWindow* window, const InsertRequest& request);

int GetToolExecMode(ToolRunHost& host, ToolHandle tool, int imageKind);
// The tool's menu name without "&".
std::string GetToolUndoName(ToolRunHost& host, const std::string& toolId);
// A copy of the selection that limits a run (null for none).
Fragment* CopySelectionFragment(Fragment* selection);

}  // namespace lang
