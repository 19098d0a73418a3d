#pragma once
// The subcommands of kvt. Each takes the words after its name and returns
// the exit status; bad input throws UsageError (status 2).
#include <string>
#include <vector>

namespace kvt {

using Words = std::vector<std::string>;

int RunMeasure(const Words& words);
int RunRender(const Words& words);
int RunConvert(const Words& words);
int RunParams(const Words& words);
int RunCompare(const Words& words);
int RunSpice(const Words& words);

}  // namespace kvt
