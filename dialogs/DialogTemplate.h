// The controls' context help ids stored in an extended dialog template
// (the resource format of DIALOGEX), read field by field: the program puts
// them on the controls itself, as not every system's dialog manager does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumora {

struct TemplateHelpId {
  std::uint32_t controlId;
  std::uint32_t helpId;
};

// Every control with a non-zero help id, in template order; empty for a
// plain (not extended) template or one that ends early.
std::vector<TemplateHelpId> ReadTemplateHelpIds(const std::uint8_t* data, std::size_t size);

}  // namespace lumora
