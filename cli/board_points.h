#pragma once
// kvt board new, golden and test: a board's points and their curves, from
// curve files or measured now. The board file is written once, at the end,
// so bad input or a stopped sweep leaves it as it was.
#include "cli/command_line.h"

namespace kvt {

// kvt board new BOARD --name NAME [--image PHOTO] --points A,B,...
int NewBoard(const CommandLine& line);
// kvt board golden BOARD POINT (FILE | --measure ...): the known-good curve.
int StoreKnownGood(const CommandLine& line);
// kvt board test BOARD POINT (FILE | --measure ...): judged against the
// known-good curve and stored; exit status 0 pass, 1 fail.
int TestBoardPoint(const CommandLine& line);

}  // namespace kvt
