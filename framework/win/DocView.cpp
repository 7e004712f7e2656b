// Documents, views, templates and the document manager.
#include "framework/win/DocView.h"

#include <algorithm>

#include "framework/CommandIds.h"
#include "framework/CommandRouting.h"
#include "framework/ScrollLayout.h"
#include "framework/StringSource.h"
#include "framework/win/App.h"
#include "framework/win/CommonDialogs.h"
#include "framework/win/Frame.h"

namespace fw {

// ---- Document

FW_IMPLEMENT_DYNCREATE(Document, CmdTarget)
FW_MESSAGE_MAP(Document, CmdTarget, CommandEntry<&Document::OnFileClose>(kIdFileClose),
               CommandEntry<&Document::OnFileSave>(kIdFileSave), CommandEntry<&Document::OnFileSaveAs>(kIdFileSaveAs))

Document::~Document() {
  for (View* v : views_) v->document_ = nullptr;
  if (template_ != nullptr) template_->RemoveDocument(this);
}

void Document::SetTitle(const std::string& title) {
  title_ = title;
  UpdateFrameCounts();
}

void Document::SetPathName(const std::string& path, bool addToRecentFiles) {
  char full[MAX_PATH] = {};
  DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  path_ = n > 0 && n < MAX_PATH ? std::string(full, n) : path;
  SetTitle(FileTitleOf(path_));
  if (addToRecentFiles && TheApp() != nullptr) TheApp()->AddToRecentFileList(path_);
}

void Document::AddView(View* view) {
  views_.push_back(view);
  view->document_ = this;
  OnChangedViewList();
}

void Document::RemoveView(View* view) {
  views_.erase(std::remove(views_.begin(), views_.end(), view), views_.end());
  view->document_ = nullptr;
  OnChangedViewList();
}

void Document::OnChangedViewList() {
  if (views_.empty() && autoDelete && !closing_) {
    OnCloseDocument();
    return;
  }
  UpdateFrameCounts();
}

void Document::UpdateAllViews(View* sender, LPARAM hint) {
  for (View* v : views_) {
    if (v != sender) v->OnUpdate(sender, hint);
  }
}

void Document::UpdateFrameCounts() {
  std::vector<FrameWnd*> frames;
  for (View* v : views_) {
    FrameWnd* f = v->GetParentFrame();
    if (f != nullptr && std::find(frames.begin(), frames.end(), f) == frames.end()) frames.push_back(f);
  }
  int number = frames.size() > 1 ? 1 : 0;
  for (FrameWnd* f : frames) {
    f->windowNumber = number > 0 ? number++ : 0;
    f->OnUpdateFrameTitle(true);
  }
}

bool Document::OnNewDocument() {
  DeleteContents();
  modified_ = false;
  path_.clear();
  return true;
}

bool Document::OnOpenDocument(const std::string& path) {
  DeleteContents();
  modified_ = false;
  return true;
}

bool Document::OnSaveDocument(const std::string& path) {
  modified_ = false;
  return true;
}

void Document::OnCloseDocument() {
  // Destroying the frames destroys the views, which would close us again.
  bool wasAutoDelete = autoDelete;
  closing_ = true;
  while (!views_.empty()) {
    FrameWnd* frame = views_.front()->GetParentFrame();
    if (frame == nullptr) {
      views_.front()->DestroyWindow();
      continue;
    }
    PreCloseFrame(frame);
    if (auto* child = dynamic_cast<MdiChild*>(frame)) {
      child->MdiDestroy();
    } else {
      frame->DestroyWindow();
    }
  }
  closing_ = false;
  DeleteContents();
  if (wasAutoDelete) delete this;
}

bool Document::SaveModified() {
  if (!modified_) return true;
  std::string name = title_.empty() ? ResourceString(kIdsUntitled) : title_;
  std::string prompt = FormatString(ResourceString(kIdpAskToSave), {name});
  switch (TheApp()->DoMessageBox(prompt, MB_YESNOCANCEL, kHelpPromptBase + kIdpAskToSave)) {
    case IDCANCEL: return false;
    case IDYES: return DoFileSave();
    default: return true;
  }
}

bool Document::CanCloseFrame(FrameWnd* frame) {
  // Another window still shows the document: closing this one loses nothing.
  for (View* v : views_) {
    if (v->GetParentFrame() != frame) return true;
  }
  return SaveModified();
}

bool Document::DoSave(const std::string& path, bool replace) {
  std::string target = path;
  if (target.empty() || !replace) {
    std::vector<std::string> chosen{target.empty() ? title_ : target};
    if (!TheApp()->Docs().DoPromptFileName(chosen, kIdFileSaveAs, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, false,
                                           template_)) {
      return false;
    }
    target = chosen.front();
  }
  WaitCursor wait;
  if (!OnSaveDocument(target)) return false;
  if (replace) SetPathName(target);
  return true;
}

bool Document::DoFileSave() { return DoSave(path_, true); }

void Document::OnFileClose() {
  if (SaveModified()) OnCloseDocument();
}

void Document::OnFileSave() { DoFileSave(); }

void Document::OnFileSaveAs() { DoSave(std::string(), true); }

// ---- View

FW_IMPLEMENT_DYNAMIC(View, Window)
FW_MESSAGE_MAP(View, Window, WindowMessageEntry<&View::OnPaintMessage>(WM_PAINT),
               WindowMessageEntry<&View::OnMouseActivate>(WM_MOUSEACTIVATE), WindowMessageEntry<&View::OnPrintClient>(WM_PRINTCLIENT))

View::~View() {
  if (document_ != nullptr) document_->RemoveView(this);
}

bool View::Create(FrameWnd* frame, std::uint32_t id, CreateContext* context) {
  std::string cls = App::RegisterWindowClass("fwView", CS_DBLCLKS, 0, LoadCursor(nullptr, IDC_ARROW),
                                             reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), nullptr);
  if (context != nullptr && context->document != nullptr) context->document->AddView(this);
  RECT rc;
  GetClientRect(frame->Handle(), &rc);
  return CreateEx(WS_EX_CLIENTEDGE, cls.c_str(), "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                  0, 0, rc.right, rc.bottom, frame->Handle(), reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
}

FrameWnd* View::GetParentFrame() const {
  for (HWND h = hwnd_ != nullptr ? GetParent(hwnd_) : nullptr; h != nullptr; h = GetParent(h)) {
    if (auto* f = dynamic_cast<FrameWnd*>(Window::FromHandle(h))) return f;
  }
  return nullptr;
}

void View::OnUpdate(View* sender, LPARAM hint) {
  if (hwnd_ != nullptr) InvalidateRect(hwnd_, nullptr, TRUE);
}

void View::OnActivateView(bool activate, View* activated, View* deactivated) {
  if (activate && hwnd_ != nullptr && GetFocus() != hwnd_ && !IsChild(hwnd_, GetFocus())) SetFocus(hwnd_);
}

bool View::OnCmdMsg(MessageArgs& args) { return RouteThrough(*this, nullptr, document_, args); }

LRESULT View::OnPaintMessage(WPARAM, LPARAM) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  OnPrepareDC(dc);
  OnDraw(dc);
  EndPaint(hwnd_, &ps);
  return 0;
}

LRESULT View::OnPrintClient(WPARAM wParam, LPARAM) {
  HDC dc = reinterpret_cast<HDC>(wParam);
  RECT rc;
  GetClientRect(hwnd_, &rc);
  FillRect(dc, &rc, GetSysColorBrush(COLOR_WINDOW));
  int saved = SaveDC(dc);
  OnPrepareDC(dc);
  OnDraw(dc);
  RestoreDC(dc, saved);
  return 0;
}

LRESULT View::OnMouseActivate(WPARAM wParam, LPARAM lParam) {
  LRESULT r = DefaultProc(WM_MOUSEACTIVATE, wParam, lParam);
  if (r == MA_NOACTIVATE || r == MA_NOACTIVATEANDEAT) return r;
  FrameWnd* frame = GetParentFrame();
  if (frame != nullptr) frame->SetActiveView(this);
  return r;
}

// ---- ScrollView

FW_IMPLEMENT_DYNAMIC(ScrollView, View)
FW_MESSAGE_MAP(ScrollView, View, WindowMessageEntry<&ScrollView::OnSizeMessage>(WM_SIZE),
               WindowMessageEntry<&ScrollView::OnHScroll>(WM_HSCROLL), WindowMessageEntry<&ScrollView::OnVScroll>(WM_VSCROLL))

void ScrollView::SetScrollSizes(SIZE total, SIZE page, SIZE line) {
  total_ = total;
  pageSet_ = page;
  lineSet_ = line;
  UpdateBars();
}

void ScrollView::UpdateBars() {
  if (hwnd_ == nullptr || updatingBars_) return;
  updatingBars_ = true;
  // The client area as if no bar were shown.
  RECT rc;
  GetClientRect(hwnd_, &rc);
  DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd_, GWL_STYLE));
  int sbW = GetSystemMetrics(SM_CXVSCROLL), sbH = GetSystemMetrics(SM_CYHSCROLL);
  int width = rc.right + ((style & WS_VSCROLL) ? sbW : 0);
  int height = rc.bottom + ((style & WS_HSCROLL) ? sbH : 0);
  ScrollBarsNeeded need = NeededScrollBars(width, height, total_.cx, total_.cy, sbW, sbH);
  view_ = {need.clientWidth, need.clientHeight};
  page_ = {pageSet_.cx > 0 ? pageSet_.cx : std::max<LONG>(1, total_.cx / 10),
           pageSet_.cy > 0 ? pageSet_.cy : std::max<LONG>(1, total_.cy / 10)};
  line_ = {lineSet_.cx > 0 ? lineSet_.cx : std::max<LONG>(1, page_.cx / 10),
           lineSet_.cy > 0 ? lineSet_.cy : std::max<LONG>(1, page_.cy / 10)};
  POINT clamped{ClampScrollPosition(position_.x, total_.cx, view_.cx),
                ClampScrollPosition(position_.y, total_.cy, view_.cy)};
  ShowScrollBar(hwnd_, SB_HORZ, need.horizontal);
  ShowScrollBar(hwnd_, SB_VERT, need.vertical);
  SCROLLINFO si = {};
  si.cbSize = sizeof(si);
  si.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
  si.nMax = total_.cx - 1;
  si.nPage = static_cast<UINT>(view_.cx);
  si.nPos = clamped.x;
  if (need.horizontal) SetScrollInfo(hwnd_, SB_HORZ, &si, TRUE);
  si.nMax = total_.cy - 1;
  si.nPage = static_cast<UINT>(view_.cy);
  si.nPos = clamped.y;
  if (need.vertical) SetScrollInfo(hwnd_, SB_VERT, &si, TRUE);
  updatingBars_ = false;
  if (clamped.x != position_.x || clamped.y != position_.y) {
    position_ = clamped;
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
}

bool ScrollView::OnScrollBy(SIZE distance, bool doScroll) {
  POINT target{ClampScrollPosition(position_.x + distance.cx, total_.cx, view_.cx),
               ClampScrollPosition(position_.y + distance.cy, total_.cy, view_.cy)};
  if (target.x == position_.x && target.y == position_.y) return false;
  if (!doScroll) return true;
  int dx = position_.x - target.x, dy = position_.y - target.y;
  position_ = target;
  if (hwnd_ != nullptr) {
    ScrollWindowEx(hwnd_, dx, dy, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE | SW_ERASE);
    SetScrollPos(hwnd_, SB_HORZ, position_.x, TRUE);
    SetScrollPos(hwnd_, SB_VERT, position_.y, TRUE);
  }
  return true;
}

void ScrollView::ScrollToPosition(POINT pt) { OnScrollBy({pt.x - position_.x, pt.y - position_.y}, true); }

void ScrollView::OnPrepareDC(HDC dc) { SetViewportOrgEx(dc, -position_.x, -position_.y, nullptr); }

LRESULT ScrollView::OnSizeMessage(WPARAM, LPARAM) {
  UpdateBars();
  return 0;
}

int ScrollView::ScrollTarget(int bar, int code, int trackPos, int current) const {
  LONG page = bar == SB_HORZ ? page_.cx : page_.cy;
  LONG line = bar == SB_HORZ ? line_.cx : line_.cy;
  LONG total = bar == SB_HORZ ? total_.cx : total_.cy;
  switch (code) {
    case SB_LINEUP: return current - line;
    case SB_LINEDOWN: return current + line;
    case SB_PAGEUP: return current - page;
    case SB_PAGEDOWN: return current + page;
    case SB_TOP: return 0;
    case SB_BOTTOM: return total;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: return trackPos;
    default: return current;
  }
}

LRESULT ScrollView::OnHScroll(WPARAM wParam, LPARAM) {
  SCROLLINFO si = {};
  si.cbSize = sizeof(si);
  si.fMask = SIF_TRACKPOS;
  GetScrollInfo(hwnd_, SB_HORZ, &si);
  OnScrollBy({ScrollTarget(SB_HORZ, LOWORD(wParam), si.nTrackPos, position_.x) - position_.x, 0}, true);
  return 0;
}

LRESULT ScrollView::OnVScroll(WPARAM wParam, LPARAM) {
  SCROLLINFO si = {};
  si.cbSize = sizeof(si);
  si.fMask = SIF_TRACKPOS;
  GetScrollInfo(hwnd_, SB_VERT, &si);
  OnScrollBy({0, ScrollTarget(SB_VERT, LOWORD(wParam), si.nTrackPos, position_.y) - position_.y}, true);
  return 0;
}

// ---- DocTemplate

DocTemplate::DocTemplate(std::uint32_t resourceId, const RuntimeClass* docClass, const RuntimeClass* frameClass,
                         const RuntimeClass* viewClass)
    : resourceId_(resourceId), docClass_(docClass), frameClass_(frameClass), viewClass_(viewClass) {}

DocTemplate::~DocTemplate() {
  while (!documents_.empty()) {
    Document* d = documents_.back();
    documents_.pop_back();
    d->SetDocTemplate(nullptr);
  }
  if (menu_ != nullptr) DestroyMenu(menu_);
}

void DocTemplate::LoadTemplate() {
  docString_ = ResourceString(resourceId_);
  HINSTANCE inst = GetModuleHandleA(nullptr);
  if (menu_ == nullptr) menu_ = LoadMenuA(inst, MAKEINTRESOURCEA(resourceId_));
  if (accel_ == nullptr) accel_ = LoadAcceleratorsA(inst, MAKEINTRESOURCEA(resourceId_));
}

MatchConfidence DocTemplate::MatchDocType(const std::string& path, Document** open) {
  *open = nullptr;
  std::vector<std::string> openPaths;
  for (Document* d : documents_) {
    if (SamePath(d->GetPathName(), path)) {
      *open = d;
      return MatchConfidence::kYesAlreadyOpen;
    }
  }
  return fw::MatchDocType(path, GetDocString(DocStringIndex::kFilterExt), openPaths);
}

Document* DocTemplate::CreateNewDocument() {
  auto* doc = docClass_ != nullptr ? dynamic_cast<Document*>(docClass_->CreateObject()) : nullptr;
  if (doc != nullptr) AddDocument(doc);
  return doc;
}

FrameWnd* DocTemplate::CreateNewFrame(Document* doc, FrameWnd* other) {
  auto* frame = frameClass_ != nullptr ? dynamic_cast<FrameWnd*>(frameClass_->CreateObject()) : nullptr;
  if (frame == nullptr) return nullptr;
  CreateContext context{doc, viewClass_, this};
  Window* main = TheApp() != nullptr ? TheApp()->MainWindow() : nullptr;
  if (!frame->LoadFrame(resourceId_, WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                        main != nullptr ? main->Handle() : nullptr, &context)) {
    return nullptr;  // a frame that failed to create deletes itself
  }
  return frame;
}

void DocTemplate::SetDefaultTitle(Document* doc) {
  doc->SetTitle(DefaultDocTitle(GetDocString(DocStringIndex::kDocName), untitledCount));
}

// A frame whose document failed to open. An MDI child goes through its
// client, which then activates the next child; destroyed directly it would
// stay the client's active child.
static void DestroyUnusedFrame(FrameWnd* frame) {
  if (auto* child = dynamic_cast<MdiChild*>(frame)) {
    child->MdiDestroy();
  } else {
    frame->DestroyWindow();
  }
}

namespace {

int opensInProgress = 0;
std::vector<MSG> keptForOpensEnd;

// One open in progress; what was kept meanwhile is posted when the last
// one ends.
class OpenInProgress {
 public:
  OpenInProgress() { ++opensInProgress; }
  ~OpenInProgress() {
    if (--opensInProgress > 0) return;
    std::vector<MSG> kept;
    kept.swap(keptForOpensEnd);
    for (const MSG& m : kept) {
      if (IsWindow(m.hwnd)) PostMessageA(m.hwnd, m.message, m.wParam, m.lParam);
    }
  }
  OpenInProgress(const OpenInProgress&) = delete;
  OpenInProgress& operator=(const OpenInProgress&) = delete;
};

}  // namespace

bool DocumentOpenInProgress() { return opensInProgress > 0; }

void PostWhenOpensEnd(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (opensInProgress == 0) {
    PostMessageA(window, message, wParam, lParam);
    return;
  }
  MSG msg{};
  msg.hwnd = window;
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  keptForOpensEnd.push_back(msg);
}

Document* DocTemplate::OpenDocumentFile(const std::string& path, bool makeVisible) {
  OpenInProgress inProgress;
  Document* doc = CreateNewDocument();
  if (doc == nullptr) {
    TheApp()->MessageBoxFromId(kIdpFailedToCreateDoc);
    return nullptr;
  }
  // The document is ours until the open ends: a failing frame, or a frame
  // destroyed under the open's message boxes, must not delete it (under
  // its own OnOpenDocument).
  const bool autoDelete = doc->autoDelete;
  doc->autoDelete = false;
  FrameWnd* frame = CreateNewFrame(doc, nullptr);
  if (frame == nullptr) {
    doc->autoDelete = autoDelete;
    TheApp()->MessageBoxFromId(kIdpFailedToCreateDoc);
    delete doc;
    return nullptr;
  }
  const WindowWatch frameWatch = frame->Watch();
  bool ready = false;
  if (path.empty()) {
    SetDefaultTitle(doc);
    if (!makeVisible) doc->embedded = true;
    ready = doc->OnNewDocument();
  } else {
    WaitCursor wait;
    ready = doc->OnOpenDocument(path);
  }
  // A frame that went meanwhile (and its object with it, perhaps) ends the
  // open as a failure: nothing of it is touched again.
  const bool frameAlive = frameWatch.Alive();
  if (!ready || !frameAlive) {
    if (frameAlive) DestroyUnusedFrame(frame);
    doc->autoDelete = autoDelete;
    if (autoDelete) doc->OnCloseDocument();  // it has no views left: this deletes it
    return nullptr;
  }
  doc->autoDelete = autoDelete;
  if (path.empty()) {
    ++untitledCount;
  } else {
    doc->SetPathName(path);
  }
  InitialUpdateFrame(frame, doc, makeVisible);
  return doc;
}

void DocTemplate::InitialUpdateFrame(FrameWnd* frame, Document* doc, bool makeVisible) {
  frame->InitialUpdateFrame(doc, makeVisible);
}

void DocTemplate::AddDocument(Document* doc) {
  documents_.push_back(doc);
  doc->SetDocTemplate(this);
}

void DocTemplate::RemoveDocument(Document* doc) {
  documents_.erase(std::remove(documents_.begin(), documents_.end(), doc), documents_.end());
  doc->SetDocTemplate(nullptr);
}

bool DocTemplate::SaveAllModified() {
  for (Document* d : std::vector<Document*>(documents_)) {
    if (!d->SaveModified()) return false;
  }
  return true;
}

void DocTemplate::CloseAllDocuments(bool endSession) {
  for (Document* d : std::vector<Document*>(documents_)) {
    if (endSession) d->DeleteContents();
    d->OnCloseDocument();
  }
}

// ---- DocManager

DocManager::~DocManager() = default;

void DocManager::AddTemplate(DocTemplate* tmpl) {
  tmpl->LoadTemplate();
  templates_.emplace_back(tmpl);
}

std::vector<Document*> DocManager::AllDocuments() const {
  std::vector<Document*> docs;
  for (const auto& t : templates_) docs.insert(docs.end(), t->Documents().begin(), t->Documents().end());
  return docs;
}

DocTemplate* DocManager::ChooseTemplateForNew() { return templates_.empty() ? nullptr : templates_.front().get(); }

void DocManager::OnFileNew() {
  if (templates_.empty()) {
    TheApp()->MessageBoxFromId(kIdpFailedToCreateDoc);
    return;
  }
  DocTemplate* t = ChooseTemplateForNew();
  if (t != nullptr) t->OpenDocumentFile(std::string());
}

void DocManager::OnFileOpen() {
  std::vector<std::string> paths{std::string()};
  if (!DoPromptFileName(paths, kIdFileOpen, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT, true,
                        nullptr)) {
    return;
  }
  for (const std::string& p : paths) OpenDocumentFile(p);
}

bool DocManager::DoPromptFileName(std::vector<std::string>& paths, std::uint32_t titleId, DWORD flags, bool open,
                                  DocTemplate* tmpl) {
  std::vector<std::pair<std::string, std::string>> filters;
  std::string defaultExt;
  for (const auto& t : templates_) {
    if (tmpl != nullptr && t.get() != tmpl) continue;
    filters.emplace_back(t->GetDocString(DocStringIndex::kFilterName), t->GetDocString(DocStringIndex::kFilterExt));
    if (defaultExt.empty()) defaultExt = filters.back().second;
  }
  std::string filter = BuildOpenFilter(filters, ResourceString(kIdsAllFilter));
  for (char& c : filter) {
    if (c == '\0') c = '|';
  }
  FileDialog dialog(open, open ? std::string() : defaultExt, paths.empty() ? std::string() : paths.front(), flags,
                    filter);
  std::string title = TooltipOf(ResourceString(titleId));
  if (!title.empty()) dialog.SetTitle(title);
  if (dialog.DoModal() != IDOK) return false;
  paths = dialog.Paths();
  return !paths.empty();
}

Document* DocManager::OpenDocumentFile(const std::string& rawPath) {
  // A path may arrive in double quotes (from the shell).
  std::string path = rawPath;
  if (!path.empty() && path.front() == '"') path.erase(0, 1);
  std::size_t quote = path.rfind('"');
  if (quote != std::string::npos) path.resize(quote);
  char full[MAX_PATH] = {};
  DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  if (n > 0 && n < MAX_PATH) path.assign(full, n);

  DocTemplate* best = nullptr;
  MatchConfidence bestMatch = MatchConfidence::kNoAttempt;
  for (const auto& t : templates_) {
    Document* open = nullptr;
    MatchConfidence m = t->MatchDocType(path, &open);
    if (m == MatchConfidence::kYesAlreadyOpen) {
      View* v = open->Views().empty() ? nullptr : open->Views().front();
      FrameWnd* f = v != nullptr ? v->GetParentFrame() : nullptr;
      if (f != nullptr) {
        f->ActivateFrame(-1);
        FrameWnd* main = TheApp()->MainFrame();
        if (main != nullptr && main != f) main->ActivateFrame(-1);
      }
      return open;
    }
    if (m > bestMatch) {
      bestMatch = m;
      best = t.get();
    }
  }
  if (best == nullptr) {
    TheApp()->MessageBoxFromId(kIdpFailedToOpenDoc);
    return nullptr;
  }
  return best->OpenDocumentFile(path);
}

bool DocManager::SaveAllModified() {
  for (const auto& t : templates_) {
    if (!t->SaveAllModified()) return false;
  }
  return true;
}

void DocManager::CloseAllDocuments(bool endSession) {
  for (const auto& t : templates_) t->CloseAllDocuments(endSession);
}

}  // namespace fw
