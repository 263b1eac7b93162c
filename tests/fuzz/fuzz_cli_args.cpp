// torvexctl's argument parser on any words: it answers with options or an error, never both,
// and what it accepts is within range.
#include "cli/options.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace torvex;
    fuzz::Input in(data, size);
    std::vector<std::string> args;
    while (!in.rest().empty() && args.size() < 64) {
        args.emplace_back(in.word());
    }
    const cli::ParseResult r = cli::parseCommandLine(args);
    if (r.options.has_value() == !r.error.empty()) {
        __builtin_trap();
    }
    if (r.options) {
        const cli::Options& o = *r.options;
        if (o.profile && (*o.profile < 1 || *o.profile > 5)) {
            __builtin_trap();
        }
        if (o.number < 0 || o.number > 11 || (o.dpi && (*o.dpi < 0 || *o.dpi > 3))) {
            __builtin_trap();
        }
        (void)cli::helpText(o.helpTopic);
    }
    return 0;
}
