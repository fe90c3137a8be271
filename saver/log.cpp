#include "saver/log.h"

namespace fellridge::saver {
// Only warnings and above unless the logging rules ask for more.
Q_LOGGING_CATEGORY(saverLog, "fellridge.saver", QtWarningMsg)
}  // namespace fellridge::saver
