// The slideshow tick and its eight display modes.
#include <algorithm>
#include <exception>

#include "platform/files/text.h"
#include "saver/log.h"
#include "saver/saver.h"
#include "saver/scope_exit.h"

namespace fellridge::saver {

namespace {

constexpr int kRollDownPauseMs = 10;

std::int32_t half(std::int32_t size) {
    return static_cast<std::int32_t>(platform::text::divideRoundHalfEven(size, 2));
}

}  // namespace

Rgb schemeColour(settings::ColourScheme scheme, std::int32_t tickCounter) {
    static constexpr Rgb kBlack{0, 0, 0};
    static constexpr Rgb kSchemes[3][4] = {
        {kBlack, {128, 128, 128}, {192, 192, 192}, {255, 255, 255}},
        {{0, 0, 128}, kBlack, {128, 0, 128}, {128, 0, 0}},
        {{0, 128, 0}, {0, 255, 255}, {255, 0, 255}, {255, 255, 0}},
    };
    const auto row = static_cast<std::int32_t>(scheme) - 1;
    if (row < 0 || row > 2) return kBlack;  // black only
    int column = 3;
    if (tickCounter <= 4) {
        column = 0;
    } else if (tickCounter <= 9) {
        column = 1;
    } else if (tickCounter <= 14) {
        column = 2;
    }
    return kSchemes[row][column];
}

void Saver::tick() {
    if (state_.stopped) return;

    if (state_.tickCounter > 20) state_.tickCounter = 0;
    ++state_.tickCounter;

    if (state_.intervalPending) {
        state_.intervalPending = false;
        // 0 or negative gives no further ticks (the timer's contract): the first picture stays.
        timer_.setInterval(state_.options.delay);
    }

    sound_.restartIfStopped();

    using settings::DisplayMode;
    switch (state_.options.mode) {
        case DisplayMode::Stretch:
            showStretched();
            break;
        case DisplayMode::Centred:
            showCentred(false);
            break;
        case DisplayMode::PictureInPicture:
            showPictureInPicture();
            break;
        case DisplayMode::Tiled:
            showTiled();
            break;
        case DisplayMode::CustomSize:
            showCentred(true);
            break;
        case DisplayMode::Overlap:
            drawOverlapping();
            break;
        case DisplayMode::Slide:
            slideIn();
            break;
        case DisplayMode::RollDown:
            rollDown();
            break;
    }
}

void Saver::loadNextPicture() {
    // Each picture brings the choice of the sound that follows the current one.
    pictures_.loadNext();
    sound_.chooseNext();
}

void Saver::showStretched() {
    surface_.hide(Slot::Front);
    surface_.clear(Slot::Front);
    loadNextPicture();
    surface_.copyPicture(Slot::LoadBuffer, Slot::Front);
    surface_.clear(Slot::LoadBuffer);
    surface_.setStretch(Slot::Front, true);
    surface_.setWidth(Slot::Front, surface_.screenWidth());
    surface_.setHeight(Slot::Front, surface_.screenHeight());
    surface_.setLeft(Slot::Front, 0);
    surface_.setTop(Slot::Front, 0);
    surface_.show(Slot::Front);
}

void Saver::showCentred(bool custom) {
    surface_.setBackground(schemeColour(state_.options.scheme, state_.tickCounter));
    surface_.hide(Slot::Front);
    surface_.clear(Slot::Front);
    loadNextPicture();
    surface_.copyPicture(Slot::LoadBuffer, Slot::Front);
    surface_.clear(Slot::LoadBuffer);
    surface_.sizeFrontToPicture();
    if (custom) {
        // A slot has no negative size: a negative setting gives a slot without area, which
        // shows nothing, as a size of 0 does.
        surface_.setStretch(Slot::Front, true);
        surface_.setWidth(Slot::Front, std::max<std::int32_t>(state_.options.width, 0));
        surface_.setHeight(Slot::Front, std::max<std::int32_t>(state_.options.height, 0));
    }
    surface_.centreFront();
    surface_.show(Slot::Front);
}

void Saver::showPictureInPicture() {
    surface_.hide(Slot::Front);
    surface_.clear(Slot::Backdrop);
    surface_.copyPicture(Slot::Front, Slot::Backdrop);
    surface_.setWidth(Slot::Backdrop, surface_.screenWidth());
    surface_.setHeight(Slot::Backdrop, surface_.screenHeight());
    surface_.show(Slot::Backdrop);
    surface_.clear(Slot::Front);
    loadNextPicture();
    surface_.copyPicture(Slot::LoadBuffer, Slot::Front);
    surface_.sizeFrontToPicture();
    surface_.clear(Slot::LoadBuffer);
    surface_.centreFront();
    surface_.bringToFront(Slot::Front);
    surface_.show(Slot::Front);
}

void Saver::showTiled() {
    const std::int32_t q = state_.quadrant;
    Slot slot = Slot::BottomRight;
    if (q == 1) {
        slot = Slot::Front;
    } else if (q == 2) {
        slot = Slot::Backdrop;  // the picture in a picture's backdrop is the bottom-left quarter
    } else if (q == 3) {
        slot = Slot::TopRight;
    }

    surface_.hide(slot);
    loadNextPicture();
    surface_.clear(slot);
    surface_.copyPicture(Slot::LoadBuffer, slot);
    surface_.clear(Slot::LoadBuffer);

    // Each half rounded by itself; the right and bottom quarters start one past the half, which
    // leaves a one-pixel cross of background between the quarters.
    const std::int32_t w2 = half(surface_.screenWidth());
    const std::int32_t h2 = half(surface_.screenHeight());
    const bool right = slot == Slot::TopRight || slot == Slot::BottomRight;
    const bool bottom = slot == Slot::Backdrop || slot == Slot::BottomRight;
    surface_.setLeft(slot, right ? w2 + 1 : 0);
    surface_.setTop(slot, bottom ? h2 + 1 : 0);
    surface_.setWidth(slot, w2);
    surface_.setHeight(slot, h2);
    surface_.setStretch(slot, true);

    surface_.show(slot);
    state_.quadrant = (q >= 1 && q <= 3) ? q + 1 : 1;
}

void Saver::drawOverlapping() {
    surface_.hide(Slot::Front);
    loadNextPicture();
    // A picture that can't be made or drawn ends this tick's drawing without a message.
    try {
        const WorkingCopy copy = surface_.makeWorkingCopy(Slot::LoadBuffer);
        const std::int32_t w = copy.width();
        const std::int32_t h = copy.height();
        const std::int32_t sw = surface_.screenWidth();
        const std::int32_t sh = surface_.screenHeight();

        random_.reseed();
        const auto range = [](std::int32_t screen, std::int32_t size) -> std::uint32_t {
            // Larger than the screen: it starts in the first quarter and runs past the edge.
            if (size > screen)
                return static_cast<std::uint32_t>(platform::text::divideRoundHalfEven(screen, 4));
            return static_cast<std::uint32_t>(screen - size);
        };
        const auto y = static_cast<std::int32_t>(random_.draw(range(sh, h)));
        const auto x = static_cast<std::int32_t>(random_.draw(range(sw, w)));

        surface_.clear(Slot::LoadBuffer);
        surface_.copyToSurface({x, y, x + w, y + h}, copy, {0, 0, w, h});
    } catch (const std::exception& failure) {
        qCInfo(saverLog, "overlapping picture not drawn: %s", failure.what());
    }
}

void Saver::slideIn() {
    timer_.setEnabled(false);
    // The timer comes back on however the slide ends, unless the stop routine has run.
    ScopeExit restart([this] { enableTimer(); });

    surface_.hide(Slot::Front);
    loadNextPicture();
    surface_.copyPicture(Slot::LoadBuffer, Slot::Front);
    surface_.clear(Slot::LoadBuffer);

    try {
        const WorkingCopy copy = surface_.makeWorkingCopy(Slot::Front);
        const std::int32_t w = copy.width();
        const std::int32_t h = copy.height();
        const Rect source{0, 0, w, h};
        state_.abort = false;
        bool done = false;

        random_.reseed();
        const std::uint32_t direction = random_.draw(4) + 1;
        std::int32_t p = 0;
        if (direction == 2) {
            p = surface_.screenWidth();
        } else if (direction == 3) {
            p = surface_.screenHeight();
        }

        // The stop routine (run by input met while the frames are shown) ends the slide early.
        while (!done && !state_.abort) {
            Rect target;
            std::int64_t edge = 0;  // the moved position's end test, on 64 bits
            switch (direction) {
                case 1:
                    target = {p - w, 0, p, h};
                    p += 1;
                    edge = std::int64_t{p} - w;
                    if (edge >= 0) done = true;
                    break;
                case 2:
                    target = {p, 0, p + w, h};
                    p -= 3;
                    edge = std::int64_t{p} + w;
                    if (edge <= surface_.screenWidth()) done = true;
                    break;
                case 3:
                    target = {0, p, w, p + h};
                    p -= 3;
                    edge = std::int64_t{p} + h;
                    if (edge <= surface_.screenHeight()) done = true;
                    break;
                default:
                    target = {0, p - h, w, p};
                    p += 1;
                    edge = std::int64_t{p} - h;
                    if (edge >= 0) done = true;
                    break;
            }
            // Drawn before the move: the moved position that ends the slide is never drawn.
            surface_.copyToSurface(target, copy, source);
            services_.events.processPending();
        }
    } catch (const std::exception& failure) {
        // A picture that can't be made or drawn ends this slide without a message.
        qCInfo(saverLog, "slide not drawn: %s", failure.what());
    }
}

void Saver::rollDown() {
    timer_.setEnabled(false);
    // Also when a failure propagates: the timer comes back unless the stop routine has run.
    ScopeExit restart([this] {
        if (!state_.abort) enableTimer();
    });

    loadNextPicture();
    const WorkingCopy copy = surface_.makeWorkingCopy(Slot::LoadBuffer);
    const std::int32_t w = copy.width();
    const std::int32_t h = copy.height();
    const std::int32_t sw = surface_.screenWidth();
    const std::int32_t sh = surface_.screenHeight();
    const std::int32_t x0 = w < sw ? half(sw) - half(w) : 0;
    const std::int32_t y0 = h < sh ? half(sh) - half(h) : 0;

    state_.abort = false;
    for (std::int32_t r = 0; r < h && !state_.abort && std::int64_t{y0} + r < sh; ++r) {
        services_.clock.sleep(kRollDownPauseMs);
        services_.events.processPending();
        // Only the message processing can set the abort flag: a row is drawn whole or not at
        // all, its pixels up to the screen's right edge, straight from the working copy.
        if (state_.abort) break;
        surface_.copyToSurface({x0, y0 + r, x0 + w, y0 + r + 1}, copy, {0, r, w, r + 1});
    }
}

}  // namespace fellridge::saver
