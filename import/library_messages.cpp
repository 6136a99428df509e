#include "import/library_messages.h"

#include <cstdio>
#include <string_view>
#include <utility>

#include <osg/Notify>

namespace mw {
namespace {

class StandardErrorHandler : public osg::NotifyHandler {
public:
    explicit StandardErrorHandler(std::string prefix) : prefix_(std::move(prefix)) {}

    void notify(osg::NotifySeverity, const char* message) override
    {
        std::string_view rest(message ? message : "");
        while (!rest.empty()) {
            const std::size_t end = rest.find('\n');
            const std::string_view line = rest.substr(0, end);
            if (!line.empty()) {
                std::string out = prefix_;
                out.append(line);
                out.push_back('\n');
                std::fputs(out.c_str(), stderr);
            }
            if (end == std::string_view::npos)
                break;
            rest.remove_prefix(end + 1);
        }
    }

private:
    std::string prefix_;
};

}  // namespace

void sendLibraryMessagesToStandardError(std::string prefix)
{
    osg::setNotifyHandler(new StandardErrorHandler(std::move(prefix)));
}

}  // namespace mw
