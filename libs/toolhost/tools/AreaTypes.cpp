// The area types in the registry: each selection tool of the area-tool
// table once more as a tool of kind 4, so that the program lists them in
// Options/Default Area Type. They run nothing: an area type is chosen as
// the default, never instantiated.
#include "libs/toolhost/Registry.h"
#include "res/toolhost_ids.h"

namespace lumora::toolhost {
namespace {

// Kind 4 (area type) offered as a default area manager (0x40000).
constexpr std::uint32_t kAreaTypeFlags = kAreaTypeTool | 0x40000;

// The prompt is the area tool's own (base + 3).
constexpr ToolDescriptor AreaType(const char* idName, const char* menuName, std::int32_t prompt) {
  return ToolDescriptor{idName, "", menuName, kAreaTypeFlags, prompt - 3, {0, 0, 0, 0, 0}, 0, {}, nullptr,
                        NoToolHelp};
}

}  // namespace

extern const ToolDescriptor kArea_Whole = AreaType("Area_Whole", "&Whole Image", IDS_LU_AREA_WHOLE);
extern const ToolDescriptor kArea_Rect = AreaType("Area_Rect", "&Rectangle", IDS_LU_AREA_RECT);
extern const ToolDescriptor kArea_Ellipse = AreaType("Area_Ellipse", "&Ellipse", IDS_LU_AREA_ELLIPSE);
extern const ToolDescriptor kArea_Poly = AreaType("Area_Poly", "&Polygon", IDS_LU_AREA_POLY);
extern const ToolDescriptor kArea_Wand = AreaType("Area_Wand", "&Magic Wand", IDS_LU_AREA_WAND);
extern const ToolDescriptor kArea_Line = AreaType("Area_Line", "&Line", IDS_LU_AREA_LINE);
extern const ToolDescriptor kArea_Pen = AreaType("Area_Pen", "&Freehand", IDS_LU_AREA_PEN);
extern const ToolDescriptor kArea_NewText = AreaType("Area_NewText", "&Text", IDS_LU_AREA_NEWTEXT);
extern const ToolDescriptor kArea_SmartS = AreaType("Area_SmartS", "&Smart Edges", IDS_LU_AREA_SMARTS);

}  // namespace lumora::toolhost
