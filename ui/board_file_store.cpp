#include "ui/board_file_store.h"

#include "files/board_file.h"

namespace kvt {

namespace {

// The board file's own reader and writer.
class FileBoardStore : public BoardStore {
 public:
  BoardLoad Load(const std::string& path) override {
    BoardRead read = ReadBoardFile(path);
    if (!read.ok()) return {std::nullopt, read.error};
    return {std::move(read.board), ""};
  }
  std::string Save(const std::string& path, const Board& board) override { return WriteBoardFile(path, board); }
};

}  // namespace

std::unique_ptr<BoardStore> MakeBoardFileStore() { return std::make_unique<FileBoardStore>(); }

}  // namespace kvt
