// "Convert_Grey" and "Convert_TrueColor": Image/Convert/Mode/Grey and
// True Colour, every layer of the document converted to that image type by
// the program (the site's conversion entries).
#include "hostapi/imagebuf.h"
#include "libs/toolhost/Registry.h"
#include "libs/toolhost/SiteCalls.h"

namespace lumora::toolhost {
namespace {

constexpr int kGreyType = 8;
constexpr int kTrueColourType = 16;

// A document already of the type has nothing to convert.
template <int Type>
int Refuse(const void* site, void* doc) {
  const VrWA2000::WA* image = DocImageOfKind(site, doc, 0);
  if (image == nullptr) return kLUErrNoImageData;
  return image->GetType() == Type ? kLUErrSameImageType : 0;
}

template <int Type>
bool Run(const void* site, void* doc) {
  return ConvertDocType(site, doc, Type == kGreyType);
}

// A document tool runs no pixels of its own.
int NoPixels(const ConstImageView&, const ImageView&, const std::int32_t*, RowPoll&) { return kLUErrNotFromScript; }

constexpr DocumentToolRun kToGrey{&Refuse<kGreyType>, &Run<kGreyType>};
constexpr DocumentToolRun kToTrueColour{&Refuse<kTrueColourType>, &Run<kTrueColourType>};

}  // namespace

extern const ToolDescriptor kTool_Convert_Grey = {
    "Convert_Grey", ":3\\Mode", "&Grey", kProcessingTool, 21650, {0, 0, 0, 0, 0}, 0, {}, NoPixels, NoToolHelp,
    nullptr, nullptr, &kToGrey};

extern const ToolDescriptor kTool_Convert_TrueColor = {
    "Convert_TrueColor", ":3\\Mode", "&True Colour", kProcessingTool, 21660, {0, 0, 0, 0, 0}, 0, {}, NoPixels,
    NoToolHelp, nullptr, nullptr, &kToTrueColour};

}  // namespace lumora::toolhost
