// The pressure tablet's rules over the Wintab driver.
#include "app/Tablet.h"

#include <algorithm>
#include <cctype>

namespace lumora {

int TabletPressureOf(const TabletPacket& packet, const TabletCursorInfo& info, std::int32_t* raw, std::int32_t* range) {
  const bool buttonDown =
      info.pressureButton < 32 && (packet.buttons & (1u << info.pressureButton)) != 0;
  const std::int64_t pressure = packet.pressure;
  std::int64_t value = buttonDown ? pressure - info.pressMark : pressure - info.axisMin;
  const std::int64_t span = std::max<std::int64_t>(buttonDown ? info.aboveMark : info.axisRange, 1);
  // A driver may report beyond its own axis: no more than full pressure.
  value = std::clamp<std::int64_t>(value, 0, span);
  if (raw != nullptr) *raw = static_cast<std::int32_t>(value);
  if (range != nullptr) *range = static_cast<std::int32_t>(span);
  return static_cast<int>(value * 255 / span);
}

bool Tablet::Start(std::unique_ptr<WintabDriver> driver, void* window, std::uintptr_t instance, int screenWidth,
                   int screenHeight) {
  Stop();
  if (driver == nullptr || !driver->TabletThere()) return false;
  void* context = driver->Open(window, instance, screenWidth, screenHeight);
  if (context == nullptr) return false;
  driver_ = std::move(driver);
  context_ = context;
  return true;
}

void Tablet::Stop() {
  if (driver_ != nullptr && context_ != nullptr) driver_->Close(context_);
  driver_.reset();
  context_ = nullptr;
  inProximity_ = packetJustRead_ = eraserActive_ = haveCursor_ = false;
  returnCommand_ = 0;
  returnWindow_ = nullptr;
  pressure_ = 255;
  raw_ = range_ = 1;
}

void Tablet::ReadCursor(std::uint32_t cursor) {
  info_ = driver_->CursorInfo(context_, cursor);
  cursor_ = cursor;
  haveCursor_ = true;
}

int Tablet::GetTabletPressure(std::uint32_t* numerator, std::uint32_t* denominator) {
  *numerator = *denominator = 1;
  if (!Present() || !inProximity_) return 255;
  bool fresh = packetJustRead_;
  if (!fresh) fresh = driver_->NewestPacket(context_, &packet_);
  if (fresh) {
    if (!haveCursor_ || packet_.cursor != cursor_) ReadCursor(packet_.cursor);
    pressure_ = TabletPressureOf(packet_, info_, &raw_, &range_);
  }
  if (varySize) {
    *numerator = static_cast<std::uint32_t>(raw_);
    *denominator = static_cast<std::uint32_t>(range_);
  }
  return varyOpacity ? pressure_ : 255;
}

void Tablet::FlushTabletQueue() {
  if (Present()) driver_->DropPacket(context_);
}

int Tablet::TabletOverlap(bool top) { return Present() ? driver_->Overlap(context_, top) : 0; }

int Tablet::TabletEnable(bool enable) { return Present() ? driver_->Enable(context_, enable) : 0; }

void Tablet::OnProximity(void* context, bool entering) {
  inProximity_ = entering && Present() && context == context_;
  if (!entering && Present() && context == context_) driver_->DropPackets(context_);
}

void Tablet::OnInfoChanged() {
  if (Present() && haveCursor_) ReadCursor(cursor_);
}

TabletCursorAction Tablet::OnCursorChange(std::uint32_t serial, void* context, std::uint32_t currentTool,
                                          std::uint32_t currentBrush, void* paneWindow) {
  TabletCursorAction action;
  if (!Present() || context != context_) return action;
  if (!driver_->PeekPacket(context_, serial, &packet_)) return action;
  packetJustRead_ = true;
  if (haveCursor_ && packet_.cursor == cursor_) {
    packetJustRead_ = false;
    return action;
  }
  ReadCursor(packet_.cursor);
  std::string name = driver_->CursorName(packet_.cursor);
  std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  const std::uint32_t current = currentTool != 0 ? currentTool : currentBrush;
  if (name.find("ERASE") != std::string::npos) {
    eraserActive_ = true;
    // The eraser's command releases a current eraser: send it only when
    // another tool is current, and then remember that one.
    if (current != kTabletEraserCommand) {
      returnCommand_ = current;
      returnWindow_ = current == 0 ? paneWindow : nullptr;
      action.command = kTabletEraserCommand;
    }
  } else {
    eraserActive_ = false;
    // The remembered command goes back only when it is not current already
    // (sending it would release it).
    if (returnCommand_ != 0 && returnCommand_ != current) {
      action.command = returnCommand_;
    } else if (returnCommand_ == 0) {
      action.activateWindow = returnWindow_;
    }
    returnCommand_ = 0;
    returnWindow_ = nullptr;
  }
  packetJustRead_ = false;
  return action;
}

}  // namespace lumora
