#include "app/host_path.h"

#include <cstdlib>
#include <iostream>

namespace mw {

bool lookupHostPath()
{
    constexpr const char* variable = "TARVEL20_PATH";
    if (!std::getenv(variable)) {
        std::cerr << "** ERROR: Could not find '" << variable << "' environment variable\n";
        return false;
    }
    return true;
}

}  // namespace mw
