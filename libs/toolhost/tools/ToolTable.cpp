// The compiled-in tools in registry order, and what they share.
#include <cstring>

#include "libs/toolhost/Registry.h"

namespace lumora::toolhost {

extern const ToolDescriptor kTool_vr_rsmooth;
extern const ToolDescriptor kTool_minimum_effect;
extern const ToolDescriptor kTool_maximum_effect;
extern const ToolDescriptor kTool_median_filt;
extern const ToolDescriptor kTool_sharp_filt;
extern const ToolDescriptor kTool_heavysharp_filt;
extern const ToolDescriptor kTool_outline_filt;
extern const ToolDescriptor kTool_emboss_effect;
extern const ToolDescriptor kTool_Noise;
extern const ToolDescriptor kTool_Crop;
extern const ToolDescriptor kTool_grayscale_conv;
extern const ToolDescriptor kTool_invert_conv;
extern const ToolDescriptor kTool_brightness_adj;
extern const ToolDescriptor kTool_contrast_adj;
extern const ToolDescriptor kTool_posterize_adj;
extern const ToolDescriptor kTool_graham_filt;
extern const ToolDescriptor kTool_Canvas;
extern const ToolDescriptor kTool_Cracks;
extern const ToolDescriptor kTool_Mosaic;
extern const ToolDescriptor kTool_Padding;
extern const ToolDescriptor kTool_Eroded;
extern const ToolDescriptor kTool_hand_drawing;
extern const ToolDescriptor kTool_tornado_drawing;
extern const ToolDescriptor kTool_facetted_effect;
extern const ToolDescriptor kTool_graphic_pen;
extern const ToolDescriptor kTool_art_autobrush;
extern const ToolDescriptor kTool_art_patch;
extern const ToolDescriptor kTool_art_oilpaint;
extern const ToolDescriptor kTool_WashOut;
extern const ToolDescriptor kTool_vr_Facet2;
extern const ToolDescriptor kTool_vr_Facet1;
extern const ToolDescriptor kTool_vr_NotePaper;
extern const ToolDescriptor kTool_vr_3DMosaic;
extern const ToolDescriptor kTool_vr_ColorRelief;
extern const ToolDescriptor kTool_Blot;
extern const ToolDescriptor kTool_EarthQuake;
extern const ToolDescriptor kTool_vr_pagec;
extern const ToolDescriptor kTool_RandomDeformations;
extern const ToolDescriptor kTool_Rubber;
extern const ToolDescriptor kTool_Deformations;
extern const ToolDescriptor kTool_Distort;
extern const ToolDescriptor kTool_Convert_Grey;
extern const ToolDescriptor kTool_Convert_TrueColor;
extern const ToolDescriptor kArea_Whole;
extern const ToolDescriptor kArea_Rect;
extern const ToolDescriptor kArea_Ellipse;
extern const ToolDescriptor kArea_Poly;
extern const ToolDescriptor kArea_Wand;
extern const ToolDescriptor kArea_Line;
extern const ToolDescriptor kArea_Pen;
extern const ToolDescriptor kArea_NewText;
extern const ToolDescriptor kArea_SmartS;

namespace {

const ToolDescriptor* const kTools[] = {&kTool_vr_rsmooth,     &kTool_minimum_effect, &kTool_maximum_effect,
                                        &kTool_median_filt,    &kTool_sharp_filt,     &kTool_heavysharp_filt,
                                        &kTool_outline_filt,   &kTool_emboss_effect,  &kTool_Noise,
                                        &kTool_Crop,           &kTool_grayscale_conv, &kTool_invert_conv,
                                        &kTool_brightness_adj, &kTool_contrast_adj,   &kTool_posterize_adj,
                                        &kTool_graham_filt,
                                        &kTool_Canvas,
                                        &kTool_Cracks,
                                        &kTool_Mosaic,
                                        &kTool_Padding,
                                        &kTool_Eroded,
                                        &kTool_hand_drawing,
                                        &kTool_tornado_drawing,
                                        &kTool_facetted_effect,
                                        &kTool_graphic_pen,
                                        &kTool_art_autobrush,
                                        &kTool_art_patch,
                                        &kTool_art_oilpaint,
                                        &kTool_WashOut,
                                        &kTool_vr_Facet2,
                                        &kTool_vr_Facet1,
                                        &kTool_vr_NotePaper,
                                        &kTool_vr_3DMosaic,
                                        &kTool_vr_ColorRelief,
                                        &kTool_Blot,
                                        &kTool_EarthQuake,
                                        &kTool_vr_pagec,
                                        &kTool_RandomDeformations,
                                        &kTool_Rubber,
                                        &kTool_Deformations,
                                        &kTool_Distort,
                                        &kTool_Convert_Grey,
                                        &kTool_Convert_TrueColor,
                                        // The area types, after every processing tool.
                                        &kArea_Whole,
                                        &kArea_Rect,
                                        &kArea_Ellipse,
                                        &kArea_Poly,
                                        &kArea_Wand,
                                        &kArea_Line,
                                        &kArea_Pen,
                                        &kArea_NewText,
                                        &kArea_SmartS};

}  // namespace

std::span<const ToolDescriptor* const> CompiledInTools() { return kTools; }

const ToolDescriptor* FindTool(int number) {
  if (number < 1 || number > static_cast<int>(std::size(kTools))) return nullptr;
  return kTools[number - 1];
}

const ToolDescriptor* FindTool(const char* idName) {
  if (idName == nullptr) return nullptr;
  for (const ToolDescriptor* t : kTools) {
    if (std::strcmp(t->idName, idName) == 0) return t;
  }
  return nullptr;
}

int RunWindowFilter(WindowFilter filter, const ConstImageView& src, const ImageView& dst, const std::int32_t* params,
                    RowPoll& poll) {
  if (!filter(src, dst, params[0], params[1], poll)) return kToolStopped;
  LimitChange(src, dst, params[2], params[3]);
  return 0;
}

int NoToolHelp(int request) { return request == kToolRequestHelp ? -1 : 0; }

}  // namespace lumora::toolhost
