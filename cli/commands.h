#pragma once
// The subcommands of kvt. Each runs on the words after its name and returns
// the exit status; bad input throws UsageError (status 2).
#include <string>
#include <vector>

#include "cli/command_line.h"

namespace kvt {

using Words = std::vector<std::string>;

const Subcommand& MeasureCommand();
const Subcommand& RenderCommand();
const Subcommand& ConvertCommand();
const Subcommand& ParamsCommand();
const Subcommand& CompareCommand();
const Subcommand& SpiceCommand();
const Subcommand& BoardCommand();
const Subcommand& PartsCommand();

}  // namespace kvt
