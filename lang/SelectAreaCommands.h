// The executors of section "SELECT AREA": statements that build the run's
// selection, shape by shape, for the tool statements that follow.
#pragma once

namespace lang {

class LangCommandSet;

// Installs the fourteen executors by entry number.
void InstallSelectAreaExecutors(LangCommandSet& commands);

}  // namespace lang
