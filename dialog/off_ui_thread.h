// Work that may wait (a settings write waits for the file's update lock while another program
// holds it, up to seconds) done beside the window's message loop, so that the window keeps
// drawing itself meanwhile instead of freezing.
#pragma once

#include <functional>

namespace fellridge::dialog {

// Runs the work on a thread of its own and runs the message loop until it is done, without user
// input (keys and clicks wait until after, so no second OK starts a second write); then throws
// what the work threw. Without a thread to be had, the work runs here.
void runOffUiThread(const std::function<void()>& work);

}  // namespace fellridge::dialog
