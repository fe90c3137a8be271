#include "entry/watch/watch_options.h"

#include <gtest/gtest.h>

namespace fellridge::watch {
namespace {

using Kind = WatchOptions::Kind;

TEST(WatchOptions, Parse) {
    struct Case {
        std::vector<std::string> parameters;
        Kind kind;
        long long ms = 0;
        bool lock = false;
    };
    const Case cases[] = {
        {{"/S"}, Kind::NotOurs},
        {{}, Kind::NotOurs},
        {{"--version"}, Kind::NotOurs},  // unknown first: ends quietly, as any other switch
        {{"--help"}, Kind::Help},
        {{"--idle", "5"}, Kind::Watch, 300000},
        {{"--idle", "0.05"}, Kind::Watch, 3000},
        {{"--idle=.5", "--lock"}, Kind::Watch, 30000, true},
        {{"--lock", "--idle", "71582"}, Kind::Watch, 4294920000LL, true},
        {{"--idle"}, Kind::Invalid},
        {{"--idle", ""}, Kind::Invalid},
        {{"--idle", "0"}, Kind::Invalid},
        {{"--idle", "0.000001"}, Kind::Invalid},
        {{"--idle", "-1"}, Kind::Invalid},
        {{"--idle", "1e3"}, Kind::Invalid},
        {{"--idle", "1,5"}, Kind::Invalid},
        {{"--idle", "."}, Kind::Invalid},
        {{"--idle", "1.2.3"}, Kind::Invalid},
        {{"--idle", "71583"}, Kind::Invalid},
        {{"--idle", "99999999999999999999999"}, Kind::Invalid},
        {{"--lock"}, Kind::Invalid},
        {{"--idle", "5", "/S"}, Kind::Invalid},
    };
    for (const Case& c : cases) {
        const WatchOptions options = parseWatchOptions(c.parameters);
        const std::string line = c.parameters.empty() ? "" : c.parameters.back();
        SCOPED_TRACE(line);
        EXPECT_EQ(options.kind, c.kind);
        EXPECT_EQ(options.kind == Kind::Invalid, !options.message.empty());
        if (c.kind != Kind::Watch) continue;
        EXPECT_EQ(options.idleTime.count(), c.ms);
        EXPECT_EQ(options.lock, c.lock);
    }
}

}  // namespace
}  // namespace fellridge::watch
