#include "ui/board_file_store.h"

namespace kvt {

namespace {

// Stands in until the board file's reader and writer are part of the build.
class UnavailableBoardStore : public BoardStore {
 public:
  BoardLoad Load(const std::string& path) override {
    return {std::nullopt, path + ": board files cannot be read by this build of the program."};
  }
  std::string Save(const std::string& path, const Board&) override {
    return path + ": board files cannot be written by this build of the program.";
  }
};

}  // namespace

std::unique_ptr<BoardStore> MakeBoardFileStore() { return std::make_unique<UnavailableBoardStore>(); }

}  // namespace kvt
