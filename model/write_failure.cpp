#include "model/write_failure.h"

#include <cerrno>

namespace mw {

std::string writeFailureReason(const std::error_code& error)
{
    switch (error.value()) {
    case ENOSPC:
    case EDQUOT:
        return "the disk is full";
    case EACCES:
    case EPERM:
        return "you do not have permission to write there";
    case EROFS:
        return "the disk is read-only";
    case ENOENT:
    case ENOTDIR:
        return "the folder does not exist";
    case EISDIR:
        return "a folder has that name";
    default:
        break;
    }
    if (!error)
        return "the file could not be written";
    std::string words = error.message();
    if (!words.empty() && words[0] >= 'A' && words[0] <= 'Z')
        words[0] = static_cast<char>(words[0] - 'A' + 'a');
    return words;
}

std::string saveFailureMessage(const std::filesystem::path& shown, std::string_view reason)
{
    std::string text = "Failed to save: " + shown.string();
    if (!reason.empty())
        text.append(" (").append(reason).append(")");
    return text;
}

}  // namespace mw
