// Documents, views, templates and the document manager.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/CmdTarget.h"
#include "framework/DocStrings.h"
#include "framework/win/Window.h"

namespace fw {

class Document;
class DocTemplate;
class FrameWnd;
class View;

// What a new frame needs to make its view.
struct CreateContext {
  Document* document = nullptr;
  const RuntimeClass* viewClass = nullptr;
  DocTemplate* tmpl = nullptr;
};

class Document : public CmdTarget {
  FW_DECLARE_MESSAGE_MAP()
  FW_DECLARE_DYNCREATE(Document)

 public:
  ~Document() override;

  const std::string& GetTitle() const { return title_; }
  virtual void SetTitle(const std::string& title);
  const std::string& GetPathName() const { return path_; }
  virtual void SetPathName(const std::string& path, bool addToRecentFiles = true);
  bool IsModified() const { return modified_; }
  void SetModifiedFlag(bool modified = true) { modified_ = modified; }
  DocTemplate* GetDocTemplate() const { return template_; }
  void SetDocTemplate(DocTemplate* t) { template_ = t; }
  bool autoDelete = true;
  bool embedded = false;

  const std::vector<View*>& Views() const { return views_; }
  void AddView(View* view);
  void RemoveView(View* view);
  void UpdateAllViews(View* sender, LPARAM hint = 0);
  // Numbers the document's frames ("Title:1", "Title:2") and retitles them.
  void UpdateFrameCounts();

  virtual bool OnNewDocument();
  virtual bool OnOpenDocument(const std::string& path);
  virtual bool OnSaveDocument(const std::string& path);
  virtual void OnCloseDocument();
  virtual void DeleteContents() {}
  // Asks to save a modified document: Yes saves, No discards, Cancel keeps it open.
  virtual bool SaveModified();
  virtual bool CanCloseFrame(FrameWnd* frame);
  // Save with a file name: prompts when `path` is empty or `replace` is false.
  virtual bool DoSave(const std::string& path, bool replace = true);
  bool DoFileSave();
  virtual void OnChangedViewList();
  virtual void PreCloseFrame(FrameWnd* frame) {}

  void OnFileClose();
  void OnFileSave();
  void OnFileSaveAs();

 protected:
  std::string title_;
  std::string path_;
  bool modified_ = false;
  DocTemplate* template_ = nullptr;
  std::vector<View*> views_;
  bool closing_ = false;
};

class View : public Window {
  FW_DECLARE_MESSAGE_MAP()
  FW_DECLARE_DYNAMIC(View)

 public:
  ~View() override;
  bool Create(FrameWnd* frame, std::uint32_t id, CreateContext* context);
  Document* GetDocument() const { return document_; }
  FrameWnd* GetParentFrame() const;

  virtual void OnInitialUpdate() { OnUpdate(nullptr, 0); }
  virtual void OnUpdate(View* sender, LPARAM hint);
  virtual void OnDraw(HDC dc) {}
  virtual void OnPrepareDC(HDC dc) {}
  virtual void OnActivateView(bool activate, View* activated, View* deactivated);

  bool OnCmdMsg(MessageArgs& args) override;
  void PostNcDestroy() override { delete this; }

  LRESULT OnPaintMessage(WPARAM, LPARAM);
  LRESULT OnMouseActivate(WPARAM, LPARAM);
  LRESULT OnPrintClient(WPARAM, LPARAM);

 protected:
  friend class Document;
  Document* document_ = nullptr;
};

class ScrollView : public View {
  FW_DECLARE_MESSAGE_MAP()
  FW_DECLARE_DYNAMIC(ScrollView)

 public:
  // Total size of the content; page and line steps (0: a tenth and a hundredth).
  void SetScrollSizes(SIZE total, SIZE page = {0, 0}, SIZE line = {0, 0});
  POINT GetScrollPosition() const { return position_; }
  void ScrollToPosition(POINT pt);
  SIZE GetTotalSize() const { return total_; }
  // Scrolls by a distance; returns whether it moved. `doScroll` false only asks.
  virtual bool OnScrollBy(SIZE distance, bool doScroll = true);
  void OnPrepareDC(HDC dc) override;

  LRESULT OnSizeMessage(WPARAM, LPARAM);
  LRESULT OnHScroll(WPARAM, LPARAM);
  LRESULT OnVScroll(WPARAM, LPARAM);

 protected:
  void UpdateBars();
  int ScrollTarget(int bar, int code, int position, int current) const;

  SIZE total_{0, 0};
  SIZE page_{0, 0};
  SIZE line_{0, 0};
  SIZE pageSet_{0, 0};
  SIZE lineSet_{0, 0};
  POINT position_{0, 0};
  SIZE view_{0, 0};
  bool updatingBars_ = false;
};

class DocTemplate : public CmdTarget {
 public:
  DocTemplate(std::uint32_t resourceId, const RuntimeClass* docClass, const RuntimeClass* frameClass,
              const RuntimeClass* viewClass);
  ~DocTemplate() override;

  // Reads the document string and the shared menu and accelerators.
  virtual void LoadTemplate();
  std::string GetDocString(DocStringIndex index) const { return DocStringPart(docString_, index); }
  virtual MatchConfidence MatchDocType(const std::string& path, Document** open);

  virtual Document* CreateNewDocument();
  virtual FrameWnd* CreateNewFrame(Document* doc, FrameWnd* other);
  virtual Document* OpenDocumentFile(const std::string& path, bool makeVisible = true);
  virtual void InitialUpdateFrame(FrameWnd* frame, Document* doc, bool makeVisible = true);
  virtual void SetDefaultTitle(Document* doc);
  virtual void AddDocument(Document* doc);
  virtual void RemoveDocument(Document* doc);
  bool SaveAllModified();
  void CloseAllDocuments(bool endSession);

  const std::vector<Document*>& Documents() const { return documents_; }
  HMENU SharedMenu() const { return menu_; }
  HACCEL SharedAccelerators() const { return accel_; }
  std::uint32_t ResourceId() const { return resourceId_; }
  int untitledCount = 0;

 protected:
  std::uint32_t resourceId_;
  const RuntimeClass* docClass_;
  const RuntimeClass* frameClass_;
  const RuntimeClass* viewClass_;
  std::string docString_;
  HMENU menu_ = nullptr;
  HACCEL accel_ = nullptr;
  std::vector<Document*> documents_;
};

// True while a template opens or makes a document. Its dialogs and message
// boxes run message loops under the open: what would close documents or
// their frames then waits for its end (PostWhenOpensEnd).
bool DocumentOpenInProgress();
// Posts the message once no open is in progress (at once when none is), if
// its window is still there.
void PostWhenOpensEnd(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

class DocManager {
 public:
  virtual ~DocManager();
  void AddTemplate(DocTemplate* tmpl);
  const std::vector<std::unique_ptr<DocTemplate>>& Templates() const { return templates_; }
  std::vector<Document*> AllDocuments() const;

  virtual void OnFileNew();
  virtual void OnFileOpen();
  virtual Document* OpenDocumentFile(const std::string& path);
  // The template for File/New; with several a program asks the user.
  virtual DocTemplate* ChooseTemplateForNew();
  // The file dialog for open (several names allowed) or save.
  virtual bool DoPromptFileName(std::vector<std::string>& paths, std::uint32_t titleId, DWORD flags, bool open,
                                DocTemplate* tmpl);
  bool SaveAllModified();
  void CloseAllDocuments(bool endSession);

 private:
  std::vector<std::unique_ptr<DocTemplate>> templates_;
};

}  // namespace fw
