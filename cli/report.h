#pragma once
// Numbers and texts for JSON output: plain SI values, null for what is absent.
#include <optional>
#include <string>

namespace kvt {

// A JSON number with enough digits to read back, or null.
std::string JsonNumber(std::optional<double> value);

// A JSON string literal.
std::string JsonString(const std::string& text);

}  // namespace kvt
