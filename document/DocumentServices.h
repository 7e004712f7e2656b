// What the application offers around documents without a window: which
// commands stay available while a tracker runs, and what a new document
// made from a layer or from another document is made of.
#pragma once

#include <cstdint>

#include "document/ImageDocument.h"
#include "engine/layers/LayerMng.h"

namespace lumora {

// The application-wide flag a tool raises while it tracks the mouse.
void SetTrackerRunning(bool running);
bool IsTrackerRunning();

// Whether a crop tool is registered with the tool host (the program looks
// once the host is up); Image/Crop... is offered only then.
void SetCropToolAvailable(bool available);
bool IsCropToolAvailable();

// True when no tracker runs, else only for the commands that cannot
// disturb a tracking tool (views, progress, close, help, ...).
bool IsCommandAllowedWhileTracking(std::uint32_t id, bool trackerRunning);
inline bool IsCommandAllowedWhileTracking(std::uint32_t id) {
  return IsCommandAllowedWhileTracking(id, IsTrackerRunning());
}
// A running interactive transform asks whether to apply it before its
// document closes: 1 go on (no transform, or applied or dropped), 0 stop.
void SetTransformQuery(int (*query)());
int QueryRunningTransform();
// What an update handler's enable value becomes: an enabled command is
// greyed while a tracker runs unless it is allowed then.
bool FilterCommandEnable(std::uint32_t id, bool enable, bool trackerRunning);
inline bool FilterCommandEnable(std::uint32_t id, bool enable) {
  return FilterCommandEnable(id, enable, IsTrackerRunning());
}

// The undo limit of the settings (`CreateBackup` steps per stack while
// `LimitBackup` is non-zero; the settings' defaults until the program
// sets it). Setting it trims the history of every live document at once;
// a document made later trims to it when made, and every push keeps it.
struct UndoLimit {
  int createBackup = 10;
  int limitBackup = 1;
};
void SetUndoLimit(const UndoLimit& limit);
UndoLimit GetUndoLimit();

// A new document around one layer (kind 4; the stack moves it to 0, 0).
CreationRecord LayerCreationRecord(CLayer* layer);
// A new document around a given stack (kind 3).
CreationRecord StackCreationRecord(CLayersManager* stack);
// A new document around an image buffer with its title (kind 0).
CreationRecord ImageCreationRecord(VrWA2000::WA* image, const char* title);

// The error code a failed merge of a duplicated document is reported with.
constexpr int kDuplicateMergeError = 16;

struct DocumentCopy {
  CLayersManagerPtr stack;  // null when the source has no image or the copy fails
  bool mergeFailed = false;  // the copy is then used unmerged
};
// The copy of a document's stack a duplicate is made from, its layers
// merged into one when asked. The source is left untouched.
DocumentCopy CopyDocumentStack(const ImageDocument& source, bool merge);

}  // namespace lumora
