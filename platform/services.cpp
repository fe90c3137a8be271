#include "platform/services.h"

#include <cerrno>

namespace fellridge {

std::string IoFailure::textFor(int code) {
    switch (code) {
        case 2:
            return "File not found";
        case 3:
            return "Invalid filename";
        case 4:
            return "Too many open files";
        case 5:
            return "File access denied";
        default:
            return "I/O error " + std::to_string(code);
    }
}

int IoFailure::codeForErrno(int err) {
    switch (err) {
        case ENOENT:
            return 2;
        case ENOTDIR:
        case ENAMETOOLONG:
        case EINVAL:
            return 3;
        case EMFILE:
        case ENFILE:
            return 4;
        case EACCES:
        case EPERM:
        case EROFS:
        case ETXTBSY:
        case EISDIR:
            return 5;
        case ENOSPC:
            return 112;  // the platform's "disk full"
        default:
            return 100 + err;
    }
}

namespace platform {

const char* boxKindTitle(BoxKind kind) {
    switch (kind) {
        case BoxKind::Warning:
            return "Warning";
        case BoxKind::Error:
            return "Error";
        case BoxKind::Information:
            return "Information";
        case BoxKind::Confirm:
            return "Confirm";
        case BoxKind::Plain:
            break;
    }
    return nullptr;
}

bool runHandler(MessageBoxes& boxes, const std::function<void()>& handler) {
    try {
        handler();
        return true;
    } catch (const std::exception& failure) {
        boxes.show(BoxKind::Error, failure.what());
    } catch (...) {
        boxes.show(BoxKind::Error, "Unknown failure");
    }
    return false;
}

}  // namespace platform
}  // namespace fellridge
