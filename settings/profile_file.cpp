#include "settings/profile_file.h"

#include <cerrno>
#include <utility>

#include "platform/files.h"
#include "platform/services.h"

namespace fellridge::settings::profile {

std::optional<std::string> readFile(const std::string& path) {
    const auto bytes = platform::files::readRegular(path, kMaxFileSize);
    if (!bytes) return std::nullopt;
    return std::string(bytes->begin(), bytes->end());
}

void writeEntries(const std::string& path, const std::vector<Entry>& entries) {
    const Failure refused("Unable to write to " + path);
    for (const Entry& entry : entries) {
        if (!canStore(entry.section) || !canStore(entry.key) || !canStore(entry.value) ||
            entry.key.find('=') != std::string::npos ||
            entry.section.find(']') != std::string::npos) {
            throw refused;
        }
    }

    // A missing file starts empty; one that exists but can't be read is never replaced.
    std::string content;
    if (std::optional<std::string> current = readFile(path)) {
        content = std::move(*current);
    } else if (errno != ENOENT) {
        throw refused;
    }

    const std::string updated = applyWrites(content, entries);
    // A file its own reader would refuse is never written.
    if (updated.size() > kMaxFileSize) throw refused;
    if (!platform::files::replaceAtomically(path, updated)) throw refused;
}

}  // namespace fellridge::settings::profile
