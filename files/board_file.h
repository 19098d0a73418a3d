#pragma once
// The board file (.kvtboard): a board, its test points and their curves as
// one JSON document, versioned so that a newer file is refused by name
// rather than misread.
#include <string>

#include "core/board.h"

namespace kvt {

constexpr char BoardFileFormat[] = "kvt board";
constexpr int BoardFileVersion = 1;
constexpr char BoardFileExtension[] = ".kvtboard";

// The board as the file holds it. The writer is the board's writtenBy
// ("kvt 1.2": program, space, version). Empty with `error` set when a value
// cannot be written (a number that is not finite).
struct BoardText {
  std::string text;
  std::string error;
};
BoardText BoardFileText(const Board& board);

// A board read from its text, or why it could not be (one line, without the
// file's name). Unknown fields are ignored.
struct BoardRead {
  Board board;
  std::string error;
  bool ok() const { return error.empty(); }
};
BoardRead BoardFromText(const std::string& bytes);

// Reads `path`; the error names the file.
BoardRead ReadBoardFile(const std::string& path);

// Replaces `path` atomically with the board; the error names the file and
// the file is unchanged when one is returned.
std::string WriteBoardFile(const std::string& path, const Board& board);

}  // namespace kvt
