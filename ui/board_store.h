#pragma once
// Where the board window reads and writes its boards: the board file's own
// reader and writer in the program, a map in memory in tests.
#include <optional>
#include <string>

#include "core/board.h"

namespace kvt {

struct BoardLoad {
  std::optional<Board> board;
  std::string error;  // one line naming the file and the problem, when no board
};

class BoardStore {
 public:
  virtual ~BoardStore() = default;
  virtual BoardLoad Load(const std::string& path) = 0;
  // Empty when saved, else one line naming the file and the problem. The
  // file keeps its old content on failure.
  virtual std::string Save(const std::string& path, const Board& board) = 0;
};

}  // namespace kvt
