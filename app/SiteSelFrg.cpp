// The site's selection table: the relay that gives a tool's handler
// callbacks the table's descriptor, and the library's calls passed on.
#include <cstdlib>

#include "app/Site.h"
#include "hostapi/selfrg.h"

namespace lumora {
namespace {

using Desc = const LU_SITE_TABLE*;
using Value = std::intptr_t;

// One per handler: the tool's block and the descriptor its callbacks get.
struct RelayRecord {
  void* window;
  SFSiteCallback1 callback1;
  SFSiteCallback2 callback2;
  SFSiteCallback3 callback3;
  SFSiteCallback4 callback4;
  void* user;
  Desc descriptor;
};

Value Relay1(SFHandler* h, void* record, Value a, Value b) {
  const auto* r = static_cast<RelayRecord*>(record);
  return r->callback1 != nullptr ? r->callback1(r->descriptor, h, r->user, a, b) : 0;
}
Value Relay2(SFHandler* h, void* record, Value a) {
  const auto* r = static_cast<RelayRecord*>(record);
  return r->callback2 != nullptr ? r->callback2(r->descriptor, h, r->user, a) : 0;
}
Value Relay3(SFHandler* h, void* record) {
  const auto* r = static_cast<RelayRecord*>(record);
  return r->callback3 != nullptr ? r->callback3(r->descriptor, h, r->user) : 0;
}
// The handler's deletion notice: the record goes with it.
Value Relay4(SFHandler* h, void* record) {
  auto* r = static_cast<RelayRecord*>(record);
  const Value result = r->callback4 != nullptr ? r->callback4(r->descriptor, h, r->user) : 0;
  std::free(r);
  return result;
}

SFHandler* SiteSFCreateSelHandler(Desc d, const SF_SITEBLOCK* block) {
  if (d == nullptr || block == nullptr) return nullptr;
  auto* r = static_cast<RelayRecord*>(std::calloc(1, sizeof(RelayRecord)));
  if (r == nullptr) return nullptr;
  *r = RelayRecord{block->window, block->callback1, block->callback2, block->callback3, block->callback4,
                   block->user, d};
  const SF_HANDLERBLOCK relayed{block->window, Relay1, Relay2, Relay3, Relay4, r};
  SFHandler* h = SF_CreateSelHandler(d->privateData, &relayed);
  if (h == nullptr) std::free(r);  // no handler: no deletion notice will come
  return h;
}

int SiteSFSetStatusBarSources(Desc, SFHandler* h, void* bar, int pane) { return SF_SetStatusBarSources(h, bar, pane); }
void* SiteSFGetSelHandlerWnd(Desc, SFHandler* h) { return SF_GetSelHandlerWnd(h); }
Fragment* SiteSFGetSelHandlerFrg(Desc, SFHandler* h) { return SF_GetSelHandlerFrg(h); }
int SiteSFSetSelHandlerWnd(Desc, SFHandler* h, void* w) { return SF_SetSelHandlerWnd(h, w); }
int SiteSFSetSelHandlerFrg(Desc, SFHandler* h, Fragment* f, int copy) { return SF_SetSelHandlerFrg(h, f, copy); }
int SiteSFGetFrgType(Desc, SFHandler* h) { return SF_GetFrgType(h); }
int SiteSFGetFrgInversion(Desc, SFHandler* h) { return SF_GetFrgInversion(h); }
int SiteSFGetAspectMode(Desc, SFHandler* h) { return SF_GetAspectMode(h); }
int SiteSFGetAspectValue(Desc, SFHandler* h) { return SF_GetAspectValue(h); }
int SiteSFGetTextFrgFont(Desc, SFHandler* h, LOGFONTA* f) { return SF_GetTextFrgFont(h, f); }
int SiteSFGetTextFrgTextLength(Desc, SFHandler* h) { return SF_GetTextFrgTextLength(h); }
int SiteSFGetTextFrgText(Desc, SFHandler* h, char* b, int n) { return SF_GetTextFrgText(h, b, n); }
int SiteSFGetLineFrgWidth(Desc, SFHandler* h) { return SF_GetLineFrgWidth(h); }
int SiteSFGetLineFrgStyle(Desc, SFHandler* h) { return SF_GetLineFrgStyle(h); }
int SiteSFGetLineFrgHV(Desc, SFHandler* h) { return SF_GetLineFrgHV(h); }
int SiteSFGetPolygonFrgFillMode(Desc, SFHandler* h) { return SF_GetPolygonFrgFillMode(h); }
int SiteSFSetDefFrgType(Desc, SFHandler* h, int t) { return SF_SetDefFrgType(h, t); }
int SiteSFSetDefFrgInversion(Desc, SFHandler* h, int i) { return SF_SetDefFrgInversion(h, i); }
int SiteSFSetAspect(Desc, SFHandler* h, int m, int v) { return SF_SetAspect(h, m, v); }
int SiteSFSetDefTextFrgData(Desc, SFHandler* h, const LOGFONTA* f, const char* t) {
  return SF_SetDefTextFrgData(h, f, t);
}
int SiteSFSetDefLineFrgData(Desc, SFHandler* h, int w, int s, int hv) { return SF_SetDefLineFrgData(h, w, s, hv); }
int SiteSFSetDefPolygonFrgData(Desc, SFHandler* h, int m) { return SF_SetDefPolygonFrgData(h, m); }
int SiteSFBeginSelectFrg(Desc, SFHandler* h, Value p, int how) { return SF_BeginSelectFrg(h, p, how); }
int SiteSFEndSelectFrg(Desc, SFHandler* h) { return SF_EndSelectFrg(h); }
int SiteSFDeleteSelHandler(Desc, SFHandler* h) { return SF_DeleteSelHandler(h); }
int SiteSFInitAutoScroll(Desc, SFHandler* h) { return SF_InitAutoScroll(h); }
void SiteSFTerminateAutoScroll(Desc) { SF_TerminateAutoScroll(); }
int SiteSFDNotMoveFrg(Desc, SFHandler* h, int v) { return SF_DNotMoveFrg(h, v); }

template <typename F>
LUSiteEntry E(F f) {
  return reinterpret_cast<LUSiteEntry>(f);
}

const LUSiteEntry kSelFrgTable[] = {
    E(SiteSFCreateSelHandler),      E(SiteSFSetStatusBarSources),  E(SiteSFGetSelHandlerWnd),
    E(SiteSFGetSelHandlerFrg),      E(SiteSFSetSelHandlerWnd),     E(SiteSFSetSelHandlerFrg),
    E(SiteSFGetFrgType),            E(SiteSFGetFrgInversion),      E(SiteSFGetAspectMode),
    E(SiteSFGetAspectValue),        E(SiteSFGetTextFrgFont),       E(SiteSFGetTextFrgTextLength),
    E(SiteSFGetTextFrgText),        E(SiteSFGetLineFrgWidth),      E(SiteSFGetLineFrgStyle),
    E(SiteSFGetLineFrgHV),          E(SiteSFGetPolygonFrgFillMode), E(SiteSFSetDefFrgType),
    E(SiteSFSetDefFrgInversion),    E(SiteSFSetAspect),            E(SiteSFSetDefTextFrgData),
    E(SiteSFSetDefLineFrgData),     E(SiteSFSetDefPolygonFrgData), E(SiteSFBeginSelectFrg),
    E(SiteSFEndSelectFrg),          E(SiteSFDeleteSelHandler),     E(SiteSFInitAutoScroll),
    E(SiteSFTerminateAutoScroll),   E(SiteSFDNotMoveFrg)};
static_assert(std::size(kSelFrgTable) == kSiteEntryCounts[kSiteSelFrg]);
static_assert(std::size(kSelFrgTable) == kSFEntryCount);

}  // namespace

const LUSiteEntry* SiteSelFrgEntries() { return kSelFrgTable; }

}  // namespace lumora
