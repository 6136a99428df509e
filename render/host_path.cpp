#include "render/host_path.h"

#include <cstdlib>
#include <iostream>

namespace mw {
namespace {

std::string& storedHostPath()
{
    static std::string path;
    return path;
}

}  // namespace

bool lookupHostPath()
{
    constexpr const char* variable = "TARVEL20_PATH";
    const char* value = std::getenv(variable);
    if (!value) {
        std::cerr << "** ERROR: Could not find '" << variable << "' environment variable\n";
        return false;
    }
    std::string& path = storedHostPath();
    path = value;
    while (!path.empty() && path.back() == '\\')
        path.pop_back();
    return true;
}

const std::string& hostPath() { return storedHostPath(); }

}  // namespace mw
