// kvt render: the plot as the window draws it, to PNG or SVG.
#include "cli/command_line.h"
#include "cli/commands.h"

namespace kvt {

int RunRender(const Words&) { throw RunError("render is not built yet"); }

}  // namespace kvt
