#pragma once
// The board store the program uses: the board files on disk.
#include <memory>

#include "ui/board_store.h"

namespace kvt {

std::unique_ptr<BoardStore> MakeBoardFileStore();

}  // namespace kvt
