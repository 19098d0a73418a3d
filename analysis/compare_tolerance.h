#pragma once
// The comparison's tolerance as a person writes it, for `kvt compare
// --tolerance` and the window's match alike: "auto", a percentage ("3",
// "3%") or volts and amperes ("20mV,50uA").
#include <string>
#include <variant>

#include "analysis/comparison.h"

namespace kvt {

// The options, or why the text is none of the three forms (a phrase that
// follows the name of what was given, such as "needs a number, not \"x\"").
std::variant<CompareOptions, std::string> ParseTolerance(const std::string& text);

}  // namespace kvt
