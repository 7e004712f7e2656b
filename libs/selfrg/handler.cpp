// Selection handlers: creation, deletion, their window, fragment and the
// defaults of new shapes.
#include <algorithm>
#include <cstring>

#include "hostapi/fragment.h"
#include "libs/selfrg/Tracking.h"

namespace {

// The library's data: the handlers it made, so that freeing the data
// deletes those left.
struct SfrgData {
  const void* site = nullptr;
  int handlers = 0;
  bool freed = false;  // freed with handlers left: the last one frees it
};

}  // namespace

void* SF_AllocSfrgData(const void* site) {
  auto* data = new SfrgData;
  data->site = site;
  return data;
}

void SF_FreeSfrgData(void* data) {
  auto* d = static_cast<SfrgData*>(data);
  if (d == nullptr) return;
  if (d->handlers > 0) {
    d->freed = true;
  } else {
    delete d;
  }
}

SFHandler* SF_CreateSelHandler(void* data, const SF_HANDLERBLOCK* block) {
  if (data == nullptr || block == nullptr) return nullptr;
  auto* h = new SFHandler;
  h->data = data;
  h->window = block->window;
  h->callback1 = block->callback1;
  h->callback2 = block->callback2;
  h->callback3 = block->callback3;
  h->callback4 = block->callback4;
  h->owner = block->owner;
  ++static_cast<SfrgData*>(data)->handlers;
  return h;
}

int SF_DeleteSelHandler(SFHandler* h) {
  if (h == nullptr) return 0;
  if (h->moving) lumora::selfrg::Drop(h);
  if (h->callback4 != nullptr) h->callback4(h, h->owner);
  if (h->fragment != nullptr) DeleteFragment(h->fragment);
  auto* data = static_cast<SfrgData*>(h->data);
  delete h;
  if (--data->handlers == 0 && data->freed) delete data;
  return 1;
}

int SF_SetStatusBarSources(SFHandler* h, void* statusBar, int pane) {
  if (h == nullptr || pane < 0) return 0;
  h->statusBar = statusBar;
  h->pane = pane;
  return 1;
}

void* SF_GetSelHandlerWnd(SFHandler* h) { return h != nullptr ? h->window : nullptr; }

int SF_SetSelHandlerWnd(SFHandler* h, void* window) {
  if (h == nullptr || h->moving) return 0;
  h->window = window;
  return 1;
}

Fragment* SF_GetSelHandlerFrg(SFHandler* h) {
  return h != nullptr && h->fragment != nullptr ? ShareFragment(h->fragment) : nullptr;
}

int SF_SetSelHandlerFrg(SFHandler* h, Fragment* f, int copy) {
  if (h == nullptr || h->moving) return 0;
  Fragment* kept = nullptr;
  if (f != nullptr) {
    kept = copy != 0 ? CreateFragmentIndirect(f) : ShareFragment(f);
    if (kept == nullptr) return 0;
  }
  if (h->fragment != nullptr) DeleteFragment(h->fragment);
  h->fragment = kept;
  return 1;
}

int SF_GetFrgType(SFHandler* h) { return h != nullptr ? h->type : 0; }
int SF_GetFrgInversion(SFHandler* h) { return h != nullptr ? h->inverted : 0; }
int SF_GetAspectMode(SFHandler* h) { return h != nullptr ? h->aspectMode : 0; }
int SF_GetAspectValue(SFHandler* h) { return h != nullptr ? h->aspectValue : 0; }

int SF_GetTextFrgFont(SFHandler* h, LOGFONTA* font) {
  if (h == nullptr || font == nullptr) return 0;
  *font = h->font;
  return 1;
}
int SF_GetTextFrgTextLength(SFHandler* h) { return h != nullptr ? static_cast<int>(h->textData.size()) : 0; }
int SF_GetTextFrgText(SFHandler* h, char* buffer, int size) {
  if (h == nullptr || buffer == nullptr || size < 1) return 0;
  const int n = std::min(size - 1, static_cast<int>(h->textData.size()));
  std::memcpy(buffer, h->textData.data(), static_cast<std::size_t>(n));
  buffer[n] = '\0';
  return n;
}
int SF_GetLineFrgWidth(SFHandler* h) { return h != nullptr ? h->lineWidth : 0; }
int SF_GetLineFrgStyle(SFHandler* h) { return h != nullptr ? h->lineStyle : 0; }
int SF_GetLineFrgHV(SFHandler* h) { return h != nullptr ? h->lineHV : 0; }
int SF_GetPolygonFrgFillMode(SFHandler* h) { return h != nullptr ? h->fillMode : 0; }

int SF_SetDefFrgType(SFHandler* h, int type) {
  // The shapes a handler can make: rectangle to line, and mask.
  if (h == nullptr || type < kFrgRect || type > kFrgMask) return 0;
  h->type = type;
  return 1;
}
int SF_SetDefFrgInversion(SFHandler* h, int inverted) {
  if (h == nullptr) return 0;
  h->inverted = inverted != 0 ? 1 : 0;
  return 1;
}
int SF_SetAspect(SFHandler* h, int mode, int value) {
  if (h == nullptr || mode < 0 || value < 0) return 0;
  h->aspectMode = mode;
  h->aspectValue = value;
  return 1;
}
int SF_SetDefTextFrgData(SFHandler* h, const LOGFONTA* font, const char* text) {
  if (h == nullptr || font == nullptr) return 0;
  h->font = *font;
  h->textData = text != nullptr ? text : "";
  return 1;
}
int SF_SetDefLineFrgData(SFHandler* h, int width, int style, int hv) {
  if (h == nullptr || width < 1) return 0;
  h->lineWidth = width;
  h->lineStyle = style;
  h->lineHV = hv;
  return 1;
}
int SF_SetDefPolygonFrgData(SFHandler* h, int fillMode) {
  if (h == nullptr || fillMode < 1 || fillMode > 2) return 0;
  h->fillMode = fillMode;
  return 1;
}

int SF_DNotMoveFrg(SFHandler* h, int doNotMove) {
  if (h == nullptr) return 0;
  h->doNotMove = doNotMove != 0;
  return 1;
}
