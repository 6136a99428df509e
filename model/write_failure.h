#pragma once
// The one wording of a failed save, for every command that writes a file.

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace mw {

// Why a write failed, in a few lower-case words: "the disk is full", "you do not have
// permission to write there", "the disk is read-only", "the folder does not exist", "a folder
// has that name", else the system's own words; "the file could not be written" without an error.
std::string writeFailureReason(const std::error_code& error);

// "Failed to save: PATH (reason)", or without the parentheses when there is no reason.
std::string saveFailureMessage(const std::filesystem::path& shown, std::string_view reason);

}  // namespace mw
