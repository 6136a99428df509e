#include "model/file_directory.h"

#include <system_error>

namespace mw {

void changeToFileDirectory(const std::filesystem::path& path)
{
    const std::filesystem::path folder = path.parent_path();
    if (folder.empty())
        return;
    std::error_code ignored;
    std::filesystem::current_path(folder, ignored);
}

}  // namespace mw
