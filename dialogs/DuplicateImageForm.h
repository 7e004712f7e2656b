// What the duplicate-image dialog proposes without a window: the copy's
// name made from the source's title, numbered past the titles already open.
#pragma once

#include <functional>
#include <string>

namespace lumora {

// The title's file-name part (no folder, no extension) with a " copy" or
// " copy N" ending cut off, then " copy", or " copy 1", " copy 2", ... while
// `taken` says an open document has that title.
std::string ProposeDuplicateName(const std::string& title, const std::function<bool(const std::string&)>& taken);

}  // namespace lumora
