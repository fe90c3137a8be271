// The idle watch's rules with a stand-in slideshow, wake-up, clock and locker.
#include "entry/watch/idle_watch.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace fellridge::watch {
namespace {

using namespace std::chrono_literals;

struct Stage : Slideshow, WakeUp, SteadyClock, SessionLocker {
    void start() override { starts.push_back(clock); }
    void start(Milliseconds delay) override { due = clock + delay; }
    void stop() override { due.reset(); }
    Milliseconds now() override { return clock; }
    void lock() override { ++locks; }

    Milliseconds clock{100000};
    std::optional<Milliseconds> due;
    std::vector<Milliseconds> starts;
    int locks = 0;
    std::optional<int> endStatus;
};

enum class Ev { Idle, Active, Inhibit, Release, Ended, Failed, Wake, Lost };

struct Step {
    Ev event;
    Milliseconds after{0};  // the clock goes on by this much first
};

struct Case {
    const char* name;
    std::vector<Step> steps{};
    std::vector<Milliseconds> starts{};  // since the first step
    std::optional<Milliseconds> due{};   // a wake-up pending, since the first step
    bool lock = false;
    int locks = 0;
};

TEST(IdleWatch, Rules) {
    const Case cases[] = {
        {"idle starts it", {{Ev::Idle}}, {0ms}},
        {"once per idle period", {{Ev::Idle}, {Ev::Idle, 1s}, {Ev::Ended, 1s}}, {0ms}},
        {"ended without input: no loop", {{Ev::Idle}, {Ev::Ended, 9s}, {Ev::Wake}}, {0ms}},
        {"again after input and idle",
         {{Ev::Idle}, {Ev::Active, 9s}, {Ev::Ended}, {Ev::Idle, 3s}},
         {0ms, 12s}},
        {"idle again while it runs starts it after",
         {{Ev::Idle}, {Ev::Active, 9s}, {Ev::Idle, 3s}, {Ev::Ended, 1s}},
         {0ms, 13s}},
        {"not while inhibited", {{Ev::Inhibit}, {Ev::Idle, 3s}}, {}},
        {"the idle time counts from the inhibitor's end",
         {{Ev::Inhibit}, {Ev::Idle}, {Ev::Release, 60s}},
         {},
         63s},
        {"and then starts", {{Ev::Inhibit}, {Ev::Idle}, {Ev::Release, 60s}, {Ev::Wake}}, {63s}},
        {"input after the inhibitor's end",
         {{Ev::Inhibit}, {Ev::Idle}, {Ev::Release}, {Ev::Active}},
         {}},
        {"an inhibitor while it waits",
         {{Ev::Inhibit}, {Ev::Idle}, {Ev::Release}, {Ev::Inhibit, 1s}, {Ev::Wake}},
         {}},
        {"a failure at once is tried again a minute after",
         {{Ev::Idle}, {Ev::Failed, 1s}},
         {0ms},
         60s},
        {"never more than once a minute",
         {{Ev::Idle}, {Ev::Failed}, {Ev::Wake}, {Ev::Failed, 2s}, {Ev::Wake}},
         {0ms, 60s, 120s}},
        {"input stops the retries", {{Ev::Idle}, {Ev::Failed}, {Ev::Active}, {Ev::Wake}}, {0ms}},
        {"a failure after a while is an end", {{Ev::Idle}, {Ev::Failed, 6s}}, {0ms}},
        {"locked after each end when wanted",
         {{Ev::Idle}, {Ev::Active}, {Ev::Ended}, {Ev::Idle}, {Ev::Failed}},
         {0ms, 0ms},
         60s,
         true,
         2},
        {"not locked otherwise", {{Ev::Idle}, {Ev::Ended}}, {0ms}, {}, false, 0},
        {"the source lost ends the watch", {{Ev::Lost}, {Ev::Idle}}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Stage stage;
        const Milliseconds origin = stage.clock;
        IdleWatch watch({stage, stage, stage, stage, [&] { return c.lock; },
                         [&](int status, const std::string&) { stage.endStatus = status; }},
                        3s);
        for (const Step& step : c.steps) {
            stage.clock += step.after;
            switch (step.event) {
                case Ev::Idle:
                    watch.sessionIdle();
                    break;
                case Ev::Active:
                    watch.sessionActive();
                    break;
                case Ev::Inhibit:
                    watch.inhibitorsChanged(true);
                    break;
                case Ev::Release:
                    watch.inhibitorsChanged(false);
                    break;
                case Ev::Ended:
                    watch.slideshowEnded(0);
                    break;
                case Ev::Failed:
                    watch.slideshowEnded(-1);
                    break;
                case Ev::Lost:
                    watch.sourceLost("gone");
                    break;
                case Ev::Wake:
                    if (stage.due) {
                        stage.clock = *stage.due;
                        stage.due.reset();
                        watch.timerFired();
                    }
                    break;
            }
        }
        std::vector<Milliseconds> starts;
        for (const Milliseconds at : stage.starts) starts.push_back(at - origin);
        EXPECT_EQ(starts, c.starts);
        EXPECT_EQ(stage.due ? std::optional(*stage.due - origin) : std::nullopt, c.due);
        EXPECT_EQ(stage.locks, c.locks);
        EXPECT_EQ(stage.endStatus,
                  c.steps.front().event == Ev::Lost ? std::optional(1) : std::nullopt);
    }
}

}  // namespace
}  // namespace fellridge::watch
