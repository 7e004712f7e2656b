// Item texts of combo and list boxes.
#include "framework/win/Controls.h"

namespace fw {
namespace {

std::string ItemText(const Window& box, UINT lengthMessage, UINT textMessage, int index) {
  LRESULT n = box.Send(lengthMessage, static_cast<WPARAM>(index));
  if (n < 0) return {};
  std::string text(static_cast<std::size_t>(n) + 1, '\0');
  box.Send(textMessage, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(n));
  return text;
}

}  // namespace

std::string ComboBox::GetLBText(int index) const { return ItemText(*this, CB_GETLBTEXTLEN, CB_GETLBTEXT, index); }

std::string ListBox::GetText(int index) const { return ItemText(*this, LB_GETTEXTLEN, LB_GETTEXT, index); }

}  // namespace fw
