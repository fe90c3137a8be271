// The saver's log of failures it handles by itself (a picture that won't load, a player that
// fails, a deletion that is refused). Quiet by default; QT_LOGGING_RULES="fellridge.*=true"
// shows it on standard error.
#pragma once

#include <QLoggingCategory>

namespace fellridge::saver {
Q_DECLARE_LOGGING_CATEGORY(saverLog)
}  // namespace fellridge::saver
