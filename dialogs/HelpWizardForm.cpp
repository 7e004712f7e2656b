#include "dialogs/HelpWizardForm.h"

#include <algorithm>
#include <iterator>

#include "res/resource.h"

namespace lumora::dialogs {
namespace {

constexpr WizardEffect kFilters[] = {
    {IDS_HW_SMOOTHING, "%d,%d#3,3#10,10$vr_rsmooth"},
    {IDS_HW_GRAHAM, "%d,%d,%d,%d#3,3,0,0#10,10,0,0$graham_filt"},
    {IDS_HW_OUTLINING, "%d,%d,%d,%d#3,3,0,0$outline_filt"},
    {IDS_HW_MINIMUM, "%d,%d,%d,%d#3,3,0,0#10,10,0,0$minimum_effect"},
    {IDS_HW_MAXIMUM, "%d,%d,%d,%d#3,3,0,0#10,10,0,0$maximum_effect"},
    {IDS_HW_MEDIAN, "%d,%d,%d,%d#3,3,0,0#10,10,0,0$median_filt"},
    {IDS_HW_SHARPENING, "%d,%d,%d,%d#3,3,0,0$sharp_filt"},
    {IDS_HW_HEAVY_SHARPENING, "%d,%d,%d,%d#3,3,0,0$heavysharp_filt"},
};

constexpr WizardEffect kTextures[] = {
    {IDS_HW_CANVAS, "$Canvas"},
    {IDS_HW_CRACKS, "$Cracks"},
    {IDS_HW_MOSAIC, "$Mosaic"},
    {IDS_HW_PADDING, "$Padding"},
    {IDS_HW_NOISE, "%d,%d,%d#50,10,10$Noise"},
    {IDS_HW_ERRODED, "#%d,%d#50,10$Eroded"},
};

constexpr WizardEffect kRedraws[] = {
    {IDS_HW_HAND_DRAWING, "%d,%d,%d,%d#3,3,0,0$hand_drawing"},
    {IDS_HW_SCATTER, "%d,%d,%d,%d#3,3,0,0#10,10,0,0$tornado_drawing"},
    {IDS_HW_FACETTED_GLASS, "%d,%d,%d,%d#3,3,0,0#10,10,0,0$facetted_effect"},
    {IDS_HW_EMBOSS, "%d,%d,%d,%d,%c#3,3,0,0,{128,128,128}$emboss_effect"},
    {IDS_HW_GRAPHIC_PEN, "%d,%d,%d,%d,%d#128,16,45,0,0#128,16,45,5,0$graphic_pen"},
    {IDS_HW_AUTOBRUSH, "%d,%d,%d,%d,%d,%d,%d,%d,%d#20,10,10,100,45,30,3,25000,0$art_autobrush"},
    {IDS_HW_PATCHWORK, "%d,%d,%d,%d,%d,%d,%d,%d,%d#14,7,7,100,0,40,3,25000,0$art_patch"},
    {IDS_HW_OILPAINT, "%d,%d,%d,%d,%d,%d,%d,%d,%d#20,10,10,100,45,30,3,25000,0$art_oilpaint"},
    {IDS_HW_WASHOUT, "%d,%d,%d,%d,%d,%d,%d#16,16,50,50,0,1,0$WashOut"},
    {IDS_HW_ENGRAVE, "%d#15#25$vr_Facet2"},
    {IDS_HW_STROKES, "%d#50$vr_Facet1"},
    {IDS_HW_NOTEPAPER, "%d,%d,%d#4,8,10$vr_NotePaper"},
    {IDS_HW_3DMOSAIC, "%d,%d,%d,%d,%d#10,10,0,5,10$vr_3DMosaic"},
    {IDS_HW_COLORRELIEF, "%d,%d,%d#16,9,9$vr_ColorRelief"},
};

constexpr WizardEffect kDeforms[] = {
    {IDS_HW_BLOT, "%d,%d,%d,%d,%d#0,0,16,50,50$Blot"},
    {IDS_HW_EARTHQUAKE, "%d,%d,%d,%d,%d#0,1,16,50,50$EarthQuake"},
    {IDS_HW_PAGECURL, "%c,%d#{0,0,0},25#{0,0,0},50$vr_pagec"},
    {IDS_HW_RANDOM_DEFORMATION, "%d,%d,%d,%d,%d#0,16,16,50,0#1,16,16,50,0#2,16,16,50,0$RandomDeformations"},
    {IDS_HW_RUBBER_DEFORMATION, "%d,%d,%d,%d#80,60,20,0#80,60,0,20#80,60,-20,0#80,60,0,-20$Rubber"},
    {IDS_HW_PURE_DEFORMATION, "%d,%d,%d,%d#0,2,50,10#1,2,50,10#2,2,50,10#3,2,50,10$Deformations"},
    {IDS_HW_DISTORT_DEFORMATION, "%d,%p,%p,%p,%p#2,{-30,0},{30,0},{0,0},{0,0}$Distort"},
};

}  // namespace

std::span<const WizardEffect> EffectTable(EffectKind kind) {
  switch (kind) {
    case EffectKind::kFilter: return kFilters;
    case EffectKind::kTexture: return kTextures;
    case EffectKind::kRedraw: return kRedraws;
    case EffectKind::kDeform: return kDeforms;
  }
  return {};
}

ParsedEffect ParseEffectCommand(std::string_view command) {
  ParsedEffect parsed;
  // A text that begins with '#' (the Eroded entry) would leave its format
  // empty and take the format for a preset: the '#' is a slip, dropped.
  if (!command.empty() && command.front() == '#') command.remove_prefix(1);
  const std::size_t dollar = command.find('$');
  const std::string_view body = command.substr(0, dollar);
  parsed.tool = dollar == std::string_view::npos ? std::string() : std::string(command.substr(dollar + 1));
  const std::size_t hash = body.find('#');
  if (hash == std::string_view::npos) {
    // No presets: the format is empty and the tool name follows the first
    // character, whatever it is.
    parsed.tool = command.size() > 1 ? std::string(command.substr(1)) : std::string();
    return parsed;
  }
  parsed.format = std::string(body.substr(0, hash));
  std::string_view rest = body.substr(hash + 1);
  while (static_cast<int>(parsed.presets.size()) < kMaxPresets) {
    const std::size_t next = rest.find('#');
    parsed.presets.emplace_back(rest.substr(0, next));
    if (next == std::string_view::npos) break;
    rest.remove_prefix(next + 1);
  }
  return parsed;
}

WizardRegion RegionOf(int width, int height, int size, int x, int y) {
  const int side = std::min(size * width / 100, size * height / 100);
  return {x * width / 100 - side / 2, y * height / 100 - side / 2, side};
}

ImagePoint ImageCornerOfRegion(const WizardRegion& region, int imageHeight) {
  return {region.left, imageHeight - (region.top + region.side)};
}

}  // namespace lumora::dialogs
