// The area types in the registry: each selection tool of the area-tool
// table once more as a tool of kind 4, so that the program lists them in
// Options/Default Area Type. They run nothing: an area type is chosen as
// the default, never instantiated.
#include "libs/toolhost/Registry.h"

namespace lumora::toolhost {
namespace {

// Kind 4 (area type) offered as a default area manager (0x40000).
constexpr std::uint32_t kAreaTypeFlags = kAreaTypeTool | 0x40000;

// Strings from 22300 + 10 x the place: + 3 the prompt, + 4 the tip.
constexpr ToolDescriptor AreaType(const char* idName, const char* menuName, int place) {
  return ToolDescriptor{idName, "", menuName, kAreaTypeFlags, 22300 + 10 * place, {0, 0, 0, 0, 0}, 0, {}, nullptr,
                        NoToolHelp};
}

}  // namespace

extern const ToolDescriptor kArea_Whole = AreaType("Area_Whole", "&Whole Image", 0);
extern const ToolDescriptor kArea_Rect = AreaType("Area_Rect", "&Rectangle", 1);
extern const ToolDescriptor kArea_Ellipse = AreaType("Area_Ellipse", "&Ellipse", 2);
extern const ToolDescriptor kArea_Poly = AreaType("Area_Poly", "&Polygon", 3);
extern const ToolDescriptor kArea_Wand = AreaType("Area_Wand", "&Magic Wand", 4);
extern const ToolDescriptor kArea_Line = AreaType("Area_Line", "&Line", 5);
extern const ToolDescriptor kArea_Pen = AreaType("Area_Pen", "&Freehand", 6);
extern const ToolDescriptor kArea_NewText = AreaType("Area_NewText", "&Text", 7);
extern const ToolDescriptor kArea_SmartS = AreaType("Area_SmartS", "&Smart Edges", 8);

}  // namespace lumora::toolhost
