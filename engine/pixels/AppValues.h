// Values the application sets once at start-up and the engine reads: the
// display's logical resolution (the default resolution of new images) and
// the tool-host site record (the first argument of the engine's error
// reports). Until the application sets them: 96 x 96 dots per inch, no site.
#pragma once

namespace lumora {

void SetScreenResolution(int xDpi, int yDpi);
int GetScreenXDpi();
int GetScreenYDpi();

void SetToolHostSite(const void* site);
const void* GetToolHostSite();

}  // namespace lumora
