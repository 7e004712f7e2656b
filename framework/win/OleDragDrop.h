// OLE drag and drop (the data object is OleDataSource): the default drop
// source, and a drop target base that hands the window's drag messages to
// virtual functions in client coordinates. The objects
// live as long as their owners; their COM reference counts only guard
// against OLE releasing them early.
#pragma once

#include <ole2.h>


namespace fw {

// The class library's default drop source: Escape cancels, the left
// button's release drops.
class OleDropSource final : public IDropSource {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override { return refs_ > 1 ? --refs_ : 1; }
  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keyState) override;
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

 private:
  ULONG refs_ = 1;
};

// Runs a drag of the data with the allowed effects; the effect of the drop
// (DROPEFFECT_NONE when cancelled or refused).
DWORD RunDragDrop(IDataObject* data, DWORD allowed);

class OleDropTarget : public IDropTarget {
 public:
  virtual ~OleDropTarget();
  bool Register(HWND window);
  void Revoke();
  HWND Window() const { return window_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override { return refs_ > 1 ? --refs_ : 1; }
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL at, DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL at, DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragLeave() override;
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL at, DWORD* effect) override;

 protected:
  // Points in the window's client coordinates; the effect to show.
  virtual DWORD OnDragEnter(IDataObject* data, DWORD keyState, POINT client) = 0;
  virtual DWORD OnDragOver(IDataObject* data, DWORD keyState, POINT client) = 0;
  virtual void OnDragLeave() = 0;
  virtual bool OnDrop(IDataObject* data, DWORD effect, POINT client) = 0;

 private:
  POINT ToClient(POINTL at) const;
  HWND window_ = nullptr;
  IDataObject* data_ = nullptr;  // the drag in progress, held
  ULONG refs_ = 1;
};

}  // namespace fw
