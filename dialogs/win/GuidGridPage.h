// The "Guides and Grid" preferences page: guide and grid colours (from two
// colour schemes, or any colour), their line styles, the grid spacing with
// its unit and the subdivisions. Every change shows at once in all image
// windows through `applyLive`; Cancel applies the values the page opened
// with again.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "dialogs/GuideGridForm.h"
#include "dialogs/win/HelpSupport.h"
#include "dialogs/win/SmallControls.h"

namespace lumora {

class CGuidGridPage : public CPropertyPageMy {
 public:
  CGuidGridPage();

  // Filled before the sheet runs, read after OK.
  GuideGridValues values;
  // x in the low half, y in the high half; the spacing converts at x.
  std::uint32_t resolution = 96 | (96u << 16);
  // The grid's length unit (cm 0, inch 1, pixels 2, points 3).
  void SetUnit(int unitCode) { values.unitIndex = GridUnitToIndex(unitCode); }
  int GetUnit() const { return GridIndexToUnit(values.unitIndex); }
  // The spacing given in a unit; read back in the grid's unit.
  void SetGridStep(double step, int unitCode);
  double GetGridStep() const { return values.spacing; }
  // Writes the values into the application's settings and refreshes every
  // view.
  std::function<void(const GuideGridValues&)> applyLive;

  std::vector<SchemeColor> guideScheme;
  std::vector<SchemeColor> gridScheme;
  // Where the schemes are read from at opening and written to when the
  // page goes (null: defaults, nothing written).
  fw::Profile* schemeProfile = nullptr;

 protected:
  bool OnInitDialog() override;
  bool OnKillActive() override;
  bool OnApply() override;
  void OnReset() override;
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  void FillColorCombo(CGuideColorCB& combo, const std::vector<SchemeColor>& scheme, COLORREF current);
  void FillStyleCombo(CLinesStyleCB& combo, bool withDots, int current);
  void OnColorChoice(bool guides);
  void PickCustomColor(bool guides);
  void OnSpacingTyped();
  void OnSpacingLeft();
  void OnUnitChanged();
  void OnSubdivisionsTyped();
  void Apply();
  bool ReadSpacing(double* spacing) const;
  void DrawColorButton(const DRAWITEMSTRUCT& item);

  CGuideColorCB guideColor_, gridColor_;
  CLinesStyleCB guideStyle_, gridStyle_;
  GuideGridValues saved_;
  bool initialised_ = false;
  bool filling_ = false;
};

}  // namespace lumora
