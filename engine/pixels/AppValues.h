// Values the application sets once at start-up and the engine reads: the
// display's logical resolution (the default resolution of new images) and
// the tool-host site record (the first argument of the engine's error
// reports). Until the application sets them: 96 x 96 dots per inch, no site.
#pragma once

namespace lumora {

void SetScreenResolution(int xDpi, int yDpi);
int GetScreenXDpi();
int GetScreenYDpi();

// The clipboard format id the application registered for dragged layers
// ("Lumo40 W32 Layer"); 0 until it is set.
void SetLayerClipboardFormat(unsigned format);
unsigned GetLayerClipboardFormat();

void SetToolHostSite(const void* site);
const void* GetToolHostSite();

}  // namespace lumora
