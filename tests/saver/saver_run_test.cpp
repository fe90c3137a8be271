// One run of the slideshow: the presenter shows it once the start-up is done and takes it off
// when the run ends, and the run's status is the first end's, however many follow.
#include "saver/saver_run.h"

#include "saver/saver_fixture.h"

namespace fellridge::saver::testing {
namespace {

struct FakeScreenPresenter : ScreenPresenter {
    Log& log;
    explicit FakeScreenPresenter(Log& l) : log(l) {}
    void present(const Rect&) override {}
    void scheduleRepaint() override {}
    void show() override { log.push_back("show"); }
    void hide() override { log.push_back("hide"); }
};

using RunTest = SaverFixture;

TEST_F(RunTest, TheFirstEndDecidesTheStatusAndTakesTheSlideshowOff) {
    const struct {
        const char* name;
        std::function<void(SaverRun&)> end;
        int status;
    } cases[] = {
        {"a key ends the slideshow", [](SaverRun& r) { r.saver().stopRoutine(); }, 0},
        {"the display goes", [](SaverRun& r) { r.stop(1); }, 1},
        {"a signal, then the display",
         [](SaverRun& r) {
             r.stop(0);
             r.stop(1);
         },
         0},
    };
    writePictures(defaultPictures());
    writeOptions(Options{});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        log.clear();
        FakeScreenPresenter presenter(log);
        platform::RunEnd end;
        SaverRun run(services, timer, player, presenter, end);
        run.start();
        ASSERT_TRUE(run.show());
        c.end(run);
        EXPECT_TRUE(end.ended());
        EXPECT_EQ(end.status(), c.status);
        EXPECT_EQ(std::count(log.begin(), log.end(), "hide"), 1);
        EXPECT_EQ(std::count(log.begin(), log.end(), "show"), 1);
    }
}

TEST_F(RunTest, AStopDuringTheStartUpShowsNothing) {
    writePictures(defaultPictures());
    writeOptions(Options{});
    FakeScreenPresenter presenter(log);
    platform::RunEnd end;
    SaverRun run(services, timer, player, presenter, end);
    run.stop(0);  // a termination signal while a start-up message box waits
    run.start();
    EXPECT_FALSE(run.show());
    EXPECT_EQ(std::count(log.begin(), log.end(), "show"), 0);
}

}  // namespace
}  // namespace fellridge::saver::testing
