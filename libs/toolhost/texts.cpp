// The tool host's texts: the error-box caption and one text per error code
// the program reports.
#include "libs/toolhost/texts.h"

namespace {

struct ErrorText {
  int code;
  const char* text;
};

constexpr ErrorText kErrorTexts[] = {
    {16, "Not enough memory to build, convert or install the image."},
    {19, "The layered image file could not be read."},
    {21, "The layered image file could not be written."},
    {26, "The file cannot be read."},
    {27, "The file name is not valid."},
    {36, "The data block is damaged."},
    {114, "This tool cannot work on images of this kind."},
    {120, "The image window no longer exists."},
    {125, "The selection file was not written."},
    {256, "The operation failed: the image data are missing."},
};

}  // namespace

const char* ToolHostText(int id) {
  if (id == kTextErrorCaption) return "Lumora 4.0 Error";
  if (const char* error = ToolHostErrorText(id - kTextErrorBase)) return error;
  return "";
}

const char* ToolHostErrorText(int code) {
  for (const ErrorText& e : kErrorTexts) {
    if (e.code == code) return e.text;
  }
  return nullptr;
}
