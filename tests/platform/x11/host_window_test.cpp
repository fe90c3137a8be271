// What the X11 pieces take from the daemons and give without a screen: window ids as the
// daemons write them, and message boxes nobody can answer.
#include "platform/x11/host_window.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/qt/qt_services.h"

namespace fellridge::platform {
namespace {

TEST(WindowId, TakesHexAndDecimalAsTheDaemonsWriteThem) {
    struct Case {
        const char* text;
        std::optional<std::uint32_t> id;
    };
    const Case cases[] = {
        {"0xC0000C", 0xC0000C},
        {"0Xc0000c", 0xC0000C},
        {"10485761", 10485761},
        {"0x1FFFFFFF", 0x1FFFFFFF},
        {"1", 1},
        // not an id
        {"", std::nullopt},
        {"0", std::nullopt},
        {"0x0", std::nullopt},
        {"0x", std::nullopt},
        {"junk", std::nullopt},
        {"12abc", std::nullopt},
        {"-5", std::nullopt},
        {"+5", std::nullopt},
        {" 5", std::nullopt},
        {"5 ", std::nullopt},
        {"0x20000000", std::nullopt},
        {"99999999999999999999999", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(parseWindowId(c.text), c.id) << '"' << c.text << '"';
}

TEST(StderrBoxes, EachBoxIsOneLineOnStandardErrorAndTheAnswerIsOk) {
    QtApplicationTitle title;
    title.set("Fellridge Wildlife");
    StderrMessageBoxes boxes(title);
    struct Case {
        BoxKind kind;
        BoxButtons buttons;
        const char* line;
    };
    const Case cases[] = {
        {BoxKind::Plain, BoxButtons::Ok,
         "Fellridge Wildlife: Some critical files are missing. Please reinstall the software.\n"},
        {BoxKind::Error, BoxButtons::Ok, "Error: File not found\n"},
        {BoxKind::Confirm, BoxButtons::OkCancel, "Confirm: File not found\n"},
    };
    for (const Case& c : cases) {
        const std::string text =
            c.kind == BoxKind::Plain
                ? "Some critical files are missing. Please reinstall the software."
                : "File not found";
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(boxes.show(c.kind, text, c.buttons), BoxAnswer::Ok);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.line);
    }
}

}  // namespace
}  // namespace fellridge::platform
