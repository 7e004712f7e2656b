// Item texts of combo and list boxes.
#include "framework/win/Controls.h"

namespace fw {

std::string ComboBox::GetLBText(int index) const {
  LRESULT n = Send(CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
  if (n < 0) return {};
  std::string text(static_cast<std::size_t>(n) + 1, '\0');
  Send(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(n));
  return text;
}

std::string ListBox::GetText(int index) const {
  LRESULT n = Send(LB_GETTEXTLEN, static_cast<WPARAM>(index));
  if (n < 0) return {};
  std::string text(static_cast<std::size_t>(n) + 1, '\0');
  Send(LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(n));
  return text;
}

}  // namespace fw
