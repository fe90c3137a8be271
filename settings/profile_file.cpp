#include "settings/profile_file.h"

#include <cerrno>
#include <utility>

#include "platform/files/files.h"
#include "platform/files/update_lock.h"
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

    // Read, change and replace under the file's lock, so that a writer beside this one (the
    // saver beside the dialog) never writes from the content this one is replacing. A missing
    // file is made only where no other writer made it meanwhile; if one did, its content is
    // read, locked, and written again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const platform::UpdateLock lock(path);
        // A missing file starts empty; one that exists but can't be read is never replaced.
        std::string content;
        bool missing = false;
        if (std::optional<std::string> current = readFile(path)) {
            content = std::move(*current);
        } else if (errno == ENOENT) {
            missing = true;
        } else {
            throw refused;
        }

        const std::string updated = applyWrites(content, entries);
        // A file its own reader would refuse is never written.
        if (updated.size() > kMaxFileSize) throw refused;
        using platform::files::Existing;
        if (platform::files::replaceAtomically(path, updated,
                                               missing ? Existing::Keep : Existing::Replace))
            return;
        if (!missing || errno != EEXIST) throw refused;
    }
    throw refused;
}

}  // namespace fellridge::settings::profile
