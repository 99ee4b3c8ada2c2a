#include "DemoSite.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    using marrowfin::demo::DemoOptions;
    const auto parsed = DemoOptions::parse(std::vector<std::string>(argv, argv + argc));
    if (!parsed.options) {
        std::fputs(parsed.message.c_str(), parsed.exitCode == 0 ? stdout : stderr);
        return parsed.exitCode;
    }
    try {
        marrowfin::demo::DemoSite site(*parsed.options);
        site.run(true, [&site] {
            std::printf("%s\n", site.readyLine().c_str());
            std::fflush(stdout);
        });
    } catch (const std::exception& error) {
        std::fprintf(stderr, "marrowfin-demo-site: %s\n", error.what());
        return 1;
    }
    return 0;
}
