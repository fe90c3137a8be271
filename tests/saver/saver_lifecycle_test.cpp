// The saver's start-up, its input hook with the password check, and the stop routine.
#include <filesystem>

#include "saver_fixture.h"

namespace fellridge::saver::testing {
namespace {

using platform::BoxKind;
namespace fs = std::filesystem;

using Lifecycle = SaverFixture;

std::vector<std::string> only(const Log& log, std::initializer_list<std::string> prefixes) {
    std::vector<std::string> kept;
    for (const std::string& entry : log) {
        for (const std::string& p : prefixes) {
            if (entry.rfind(p, 0) == 0) {
                kept.push_back(entry);
                break;
            }
        }
    }
    return kept;
}

TEST_F(Lifecycle, StartUpRunsItsStepsInOrderAndStartsTheTimer) {
    Options o;
    o.mode = 6;
    o.scheme = 2;
    o.delay = 3000;
    o.inOrder = false;
    Saver& s = start(o);

    EXPECT_EQ(log, (Log{"cursor:hide", "hook", "timer:on"}));
    EXPECT_EQ(cursor.counter, -1);
    EXPECT_EQ(timer.ms, 1000) << "the first tick comes after the window's own interval";
    EXPECT_TRUE(timer.intervals.empty());
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(s.state().options.mode, settings::DisplayMode::Overlap);
    EXPECT_EQ(s.state().options.scheme, settings::ColourScheme::NavyBlackPurpleMaroon);
    EXPECT_EQ(s.state().options.delay, 3000);
    EXPECT_FALSE(s.state().options.inOrder);
    EXPECT_EQ(s.pictures().temporaryFiles().size(), 7u);
    EXPECT_EQ(s.state().quadrant, 1);
    EXPECT_EQ(surface.background(), (Rgb{0, 0, 0}));
    EXPECT_TRUE(fs::exists(path("kvp7.jpg")));
}

TEST_F(Lifecycle, AMissingSettingsFileIsCreatedWithTheFirstRunValues) {
    writePictures(defaultPictures());
    makeSaver().start();

    const SaverState& st = saver->state();
    EXPECT_TRUE(fs::exists(path("fellridge28.ini")));
    EXPECT_EQ(st.options.mode, settings::DisplayMode::Tiled);
    EXPECT_EQ(st.options.scheme, settings::ColourScheme::BlackOnly);
    EXPECT_TRUE(st.options.inOrder);
    EXPECT_FALSE(saver->sound().state().on);
    EXPECT_EQ(st.options.delay, 8000);
    EXPECT_TRUE(timer.on);
}

TEST_F(Lifecycle, MissingCriticalPicturesLeaveAWhiteWindowWithoutTimer) {
    writeOptions({});
    int cursorWhileShown = 0;
    bool hookWhileShown = false;
    boxes.whileShown = [&] {
        cursorWhileShown = cursor.counter;
        hookWhileShown = static_cast<bool>(hook.hook);
    };
    makeSaver().start();

    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, BoxKind::Plain);
    EXPECT_EQ(boxes.shown[0].text, kCriticalFilesMessage);
    EXPECT_EQ(cursorWhileShown, -1) << "answered from the keyboard: the pointer is hidden";
    EXPECT_TRUE(hookWhileShown);
    EXPECT_EQ(surface.background(), (Rgb{255, 255, 255}));
    EXPECT_FALSE(timer.on);
    EXPECT_TRUE(saver->sound().state().list.empty());
}

TEST_F(Lifecycle, AFailedPreparationIsShownAndLeavesTheWindowBlackWithoutTimer) {
    auto specs = defaultPictures();
    writePictures(specs);
    writeOptions({});
    fs::remove(path("kvp5.qrn"));
    makeSaver().start();

    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, BoxKind::Error);
    EXPECT_EQ(boxes.shown[0].text, "File not found");
    EXPECT_EQ(surface.background(), (Rgb{0, 0, 0}));
    EXPECT_FALSE(timer.on);
    ASSERT_TRUE(hook.hook);
    hook.hook(platform::Input::Key);
    EXPECT_EQ(window.closes, 1);
    EXPECT_FALSE(fs::exists(path("kvp1.jpg"))) << "the pictures made before the failure go";
}

TEST_F(Lifecycle, ASettingsFileThatCantBeCreatedStillLetsInputEndTheSaver) {
    // The saver's folder is a plain file: nothing can be created inside it.
    const std::string blocker = path("not-a-directory");
    std::ofstream(blocker) << "x";
    environment.folder = blocker;
    makeSaver().start();

    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, BoxKind::Error);
    EXPECT_FALSE(timer.on);
    EXPECT_EQ(surface.background(), (Rgb{0, 0, 0}));
    ASSERT_TRUE(hook.hook);
    hook.hook(platform::Input::Button);
    EXPECT_EQ(window.closes, 1);
}

TEST_F(Lifecycle, TheFirstListedSoundStartsAndATickRestartsItWhenStopped) {
    writePictures(defaultPictures());
    writeOptions({});
    const std::string ini = settings::settingsPath(*environment.folder);
    settings::writeOptions(ini, {true, true, settings::ColourScheme::BlackOnly,
                                 settings::DisplayMode::Stretch, 5000, 25, 25});
    std::ofstream(path("a.wav")) << "RIFF";
    std::ofstream(path("b.wav")) << "RIFF";
    settings::writeSoundSlot(ini, 3, path("b.wav"));
    settings::writeSoundSlot(ini, 7, path("a.wav"));
    makeSaver().start();

    EXPECT_EQ(saver->sound().state().current, path("b.wav"));
    EXPECT_EQ(player.currentMode, platform::PlayerMode::Playing);
    player.currentMode = platform::PlayerMode::Stopped;
    clock.now = {0, 0, 0, 16};  // its draw over two gives the second
    saver->tick();
    EXPECT_EQ(player.currentMode, platform::PlayerMode::Playing);
    EXPECT_EQ(player.fileName, path("b.wav"));
    EXPECT_EQ(saver->sound().state().current, path("a.wav"));  // chosen with the tick's picture

    saver->stopRoutine();
    EXPECT_EQ(player.currentMode, platform::PlayerMode::Stopped);
}

TEST_F(Lifecycle, OnlyKeysAndButtonPressesEndTheSaver) {
    using platform::Input;
    struct Case {
        Input input;
        bool ends;
    };
    const Case cases[] = {
        {Input::Key, true}, {Input::SystemKey, true}, {Input::Button, true}, {Input::Other, false}};
    start({});
    for (const Case& c : cases) {
        window.closes = 0;
        saver->state().stopped = false;
        hook.hook(c.input);
        EXPECT_EQ(window.closes, c.ends ? 1 : 0) << "input " << static_cast<int>(c.input);
        EXPECT_FALSE(saver->state().inputGuard);
    }
    EXPECT_EQ(registry.reads, 0) << "input that ends at once never reads the password setting";
}

TEST_F(Lifecycle, StopRoutineRunsInOrderAndRepeatsWithoutEffect) {
    start({});
    log.clear();
    saver->stopRoutine();
    EXPECT_EQ(only(log, {"timer", "close"}), (Log{"timer:off", "close"}));
    EXPECT_TRUE(saver->state().abort);
    for (int n = 1; n <= 7; ++n) EXPECT_FALSE(fs::exists(path("kvp" + std::to_string(n) + ".jpg")));
    EXPECT_TRUE(fs::exists(path("kvp1.qrn")));

    saver->stopRoutine();
    EXPECT_EQ(window.closes, 2);
    EXPECT_FALSE(timer.on);

    // Nothing ticks after the stop, whatever fires.
    const int counter = saver->state().tickCounter;
    saver->tick();
    timer.handler();
    EXPECT_EQ(saver->state().tickCounter, counter);
    EXPECT_FALSE(timer.on);
}

struct PasswordCase {
    const char* name;
    bool key;
    std::optional<platform::Registry::Value> value;
    bool loadable;
    bool hasEntry;
    int verifies;
    bool wanted;  // the setting asks for a password: the provider is loaded
    bool asks;    // the provider's dialog runs
    bool ends;
};

class Password : public SaverFixture, public ::testing::WithParamInterface<PasswordCase> {};

TEST_P(Password, EndsOrAsksAsTheSettingSays) {
    const PasswordCase& c = GetParam();
    environment.endsAtOnce = false;
    environment.system = "/opt/sys";
    registry.key = c.key;
    registry.usePassword = c.value;
    libraries.loadable = c.loadable;
    libraries.entry = c.hasEntry ? reinterpret_cast<void*>(&fakeVerifyScreenSavePwd) : nullptr;
    verifyResult = c.verifies;
    int cursorWhileAsking = 0;
    whileVerifying = [&] { cursorWhileAsking = cursor.counter; };
    start({});
    log.clear();

    hook.hook(platform::Input::Key);

    EXPECT_EQ(window.closes, c.ends ? 1 : 0);
    EXPECT_EQ(verifyWindow != 0, c.asks);
    EXPECT_FALSE(saver->state().inputGuard);
    EXPECT_EQ(cursor.counter, -1) << "the pointer is hidden again whatever the outcome";
    if (c.asks) {
        EXPECT_EQ(verifyWindow, 0x4a0001u);
        EXPECT_EQ(cursorWhileAsking, 0);
    }
    if (c.wanted) {
        ASSERT_EQ(libraries.loaded.size(), 1u);
        EXPECT_EQ(libraries.loaded[0], "/opt/sys/PASSWORD.CPL");
    } else {
        EXPECT_TRUE(libraries.loaded.empty());
    }
    if (c.ends && c.loadable && c.wanted) {
        // The stop runs while the provider is still loaded.
        EXPECT_EQ(only(log, {"close", "unload"}), (Log{"close", "unload"}));
    }
}

using Value = platform::Registry::Value;
INSTANTIATE_TEST_SUITE_P(
    Paths, Password,
    ::testing::Values(
        PasswordCase{"NoKey", false, std::nullopt, true, true, 0, false, false, true},
        PasswordCase{"NoValue", true, std::nullopt, true, true, 0, false, false, true},
        PasswordCase{"Zero", true, Value{true, 0, ""}, true, true, 0, false, false, true},
        PasswordCase{"NoLibrary", true, Value{true, 1, ""}, false, true, 1, true, false, true},
        PasswordCase{"Verified", true, Value{true, 1, ""}, true, true, 1, true, true, true},
        PasswordCase{"Refused", true, Value{true, 7, ""}, true, true, 0, true, true, false},
        PasswordCase{"NoEntry", true, Value{true, 1, ""}, true, false, 0, true, false, true},
        PasswordCase{"TextZero", true, Value{false, 0, " 0"}, true, true, 0, false, false, true},
        PasswordCase{"TextOne", true, Value{false, 0, "1"}, true, true, 0, true, true, false},
        PasswordCase{"TextJunk", true, Value{false, 0, "yes"}, true, true, 0, true, true, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Lifecycle, InputDuringThePasswordDialogStartsNoSecondCheck) {
    environment.endsAtOnce = false;
    registry.usePassword = platform::Registry::Value{true, 1, ""};
    libraries.entry = reinterpret_cast<void*>(&fakeVerifyScreenSavePwd);
    whileVerifying = [&] {
        hook.hook(platform::Input::Key);
        hook.hook(platform::Input::Button);
    };
    start({});

    hook.hook(platform::Input::Key);  // refused: the saver goes on
    EXPECT_EQ(libraries.loaded.size(), 1u);
    EXPECT_EQ(window.closes, 0);
    EXPECT_EQ(libraries.unloads, 1);

    hook.hook(platform::Input::Key);  // the next key asks again
    EXPECT_EQ(libraries.loaded.size(), 2u);
}

}  // namespace
}  // namespace fellridge::saver::testing
