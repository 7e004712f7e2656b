#include "view/MenuHelpState.h"

namespace lumora {

MenuHelpState& SharedMenuHelpState() {
  static MenuHelpState state;
  return state;
}

}  // namespace lumora
