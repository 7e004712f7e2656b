// The image document's template in the framework's MDI frame, as the Wine
// tests of the document set them up and take them down.
#pragma once

#include <memory>

#include "document/win/AppServices.h"
#include "document/win/Lumo40Doc.h"
#include "framework/win/App.h"
#include "framework/win/Frame.h"
#include "res/resource.h"
#include "tests/support/win/pump_messages.h"

namespace lumora::testing {

// Gives the application the manager and the template (image child frames
// with `viewClass` views) and shows the main frame; null when it cannot be
// made.
inline fw::MdiFrame* OpenImageFrame(fw::App& app, std::unique_ptr<CLumo40DocManager> manager,
                                    const fw::RuntimeClass* viewClass) {
  app.SetDocManager(std::move(manager));
  app.AddDocTemplate(
      new CLumo40DocTemplate(IDR_IMAGE_DOC, &CLumo40Doc::kRuntimeClass, &CImageChildFrame::kRuntimeClass, viewClass));
  auto* frame = new fw::MdiFrame;
  app.SetMainWindow(frame);
  if (!frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, nullptr, nullptr)) return nullptr;
  SetWindowPos(frame->Handle(), nullptr, 20, 20, 800, 600, SWP_NOZORDER);
  ShowWindow(frame->Handle(), SW_SHOW);
  PumpPending();
  return frame;
}

// Closes every document and the frame, runs what is left and ends the
// application.
template <class AppType>
void CloseImageFrame(std::unique_ptr<AppType>& app) {
  if (app->MainWindow() != nullptr) {
    app->CloseAllDocuments(true);
    app->MainWindow()->DestroyWindow();
  }
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  app.reset();
}

}  // namespace lumora::testing
