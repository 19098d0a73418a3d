#pragma once
// Replacing a file so that a failure never leaves it half written.
#include <optional>
#include <string>
#include <string_view>

namespace kvt {

// Writes `bytes` as the whole content of the file `path` (bytes as the file
// system takes them, any encoding). The new content is written to a file
// beside the old one and renamed over it, so the old file stays whole until
// the new one is complete; a new file gets the usual permissions, a replaced
// one keeps its own. When the folder cannot take a new file but the file
// itself is writable, the file is rewritten in place instead.
// Refused without opening anything: an existing target that is not a
// regular file (folder, device, pipe) or that is write-protected.
// Returns whether the file now holds `bytes`; when not, errno tells why.
bool WriteFileAtomically(const std::string& path, std::string_view bytes);

// Whether `path` names something that exists but is not a regular file
// (following links), which must never be opened as a data file.
bool IsSpecialFile(const std::string& path);

// Why an output file may not be written under the name `path`, or nothing
// when it may: the one rule for every file the user names for output (the
// command's -o, the window's Save and Export, which also apply it to the
// name as typed, before they add an extension).
std::optional<std::string> OutputRefusal(const std::string& path);

// The bytes of a regular file, at most maxBytes + 1 of them, so a caller can
// tell a file that is too big. Nothing for a missing, unreadable or special
// file; a pipe or device is never opened in a way that could block.
bool ReadFileStart(const std::string& path, std::size_t maxBytes, std::string& bytes);

}  // namespace kvt
