#include "settings/profile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <memory>
#include <unordered_map>
#include <utility>

#include "platform/files.h"
#include "platform/services.h"
#include "platform/text.h"
#include "platform/update_lock.h"

namespace fellridge::settings::profile {
namespace {

using platform::text::equalIgnoringCase;
using platform::text::trim;
using platform::text::upperAscii;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// One line of the content: [begin, end) is its text without the line end, rawEnd is where its
// "\r\n" or "\n" starts, next is where the following line starts.
struct Line {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t rawEnd = 0;
    std::size_t next = 0;
};

enum class Kind { Blank, Section, Key, Other };

struct Parsed {
    Kind kind = Kind::Other;
    std::string_view name;   // section or key name, trimmed
    std::string_view value;  // raw text after '=' for a key line
};

// Walks the content line by line without copying it.
class Lines {
  public:
    explicit Lines(std::string_view content) : content_(content) {}

    bool next(Line& line) {
        if (pos_ >= content_.size()) return false;
        line.begin = pos_;
        std::size_t lf = content_.find('\n', pos_);
        if (lf == std::string_view::npos) {
            line.rawEnd = content_.size();
            line.next = content_.size();
        } else {
            line.rawEnd = lf;
            line.next = lf + 1;
        }
        line.end = line.rawEnd;
        if (line.end > line.begin && content_[line.end - 1] == '\r') --line.end;
        pos_ = line.next;
        return true;
    }

    std::string_view text(const Line& line) const {
        return content_.substr(line.begin, line.end - line.begin);
    }

  private:
    std::string_view content_;
    std::size_t pos_ = 0;
};

Parsed parse(std::string_view text) {
    Parsed parsed;
    std::string_view body = trim(text);
    if (body.empty()) {
        parsed.kind = Kind::Blank;
        return parsed;
    }
    if (body.front() == '[') {
        std::string_view inner = body.substr(1);
        std::size_t close = inner.find(']');
        if (close != std::string_view::npos) inner = inner.substr(0, close);
        parsed.kind = Kind::Section;
        parsed.name = trim(inner);
        return parsed;
    }
    if (body.front() == ';') return parsed;  // a comment
    std::size_t eq = body.find('=');
    if (eq == std::string_view::npos) return parsed;
    parsed.kind = Kind::Key;
    parsed.name = trim(body.substr(0, eq));
    parsed.value = body.substr(eq + 1);
    return parsed;
}

std::string readValue(std::string_view raw) {
    std::string_view value = trim(raw);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
    }
    if (value.size() > kMaxValueLength) value = value.substr(0, kMaxValueLength);
    return std::string(value);
}

// The value as it is stored, so that readValue gives it back.
std::string storedValue(const std::string& value) {
    bool needsQuotes = !value.empty() && (isBlank(value.front()) || isBlank(value.back()));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') needsQuotes = true;
    return needsQuotes ? '"' + value + '"' : value;
}

std::string keyLine(std::string_view key, const std::string& value) {
    std::string line(key);
    line += '=';
    line += storedValue(value);
    return line;
}

}  // namespace

bool canStore(std::string_view text) {
    return text.find_first_of("\r\n") == std::string_view::npos;
}

std::vector<std::optional<std::string>> lookupMany(std::string_view content,
                                                   std::string_view section,
                                                   const std::vector<std::string>& keys) {
    std::vector<std::optional<std::string>> result(keys.size());
    std::unordered_map<std::string, std::vector<std::size_t>> wanted;
    for (std::size_t i = 0; i < keys.size(); ++i) wanted[upperAscii(keys[i])].push_back(i);
    std::size_t missing = wanted.size();

    Lines lines(content);
    Line line;
    bool inSection = false;
    while (missing > 0 && lines.next(line)) {
        Parsed parsed = parse(lines.text(line));
        if (parsed.kind == Kind::Section) {
            if (inSection) break;  // only the first section of the name counts
            inSection = equalIgnoringCase(parsed.name, section);
            continue;
        }
        if (!inSection || parsed.kind != Kind::Key) continue;
        auto found = wanted.find(upperAscii(parsed.name));
        if (found == wanted.end() || found->second.empty()) continue;
        std::string value = readValue(parsed.value);
        for (std::size_t index : found->second) result[index] = value;
        found->second.clear();  // the first key of the name counts
        --missing;
    }
    return result;
}

std::optional<std::string> lookup(std::string_view content, std::string_view section,
                                  std::string_view key) {
    return lookupMany(content, section, {std::string(key)}).front();
}

std::string applyWrites(std::string_view content, const std::vector<Entry>& entries) {
    // The keys to write, section by section in the order of their first entry. A key keeps the
    // spelling of its first entry and takes the value of its last.
    struct Key {
        std::string name;
        std::string value;
        bool written = false;  // replaced in its line of the file
    };
    struct Section {
        std::string name;
        std::vector<Key> keys;
        std::optional<std::size_t> lastLine;  // its last non-blank line, once found in the file
    };
    std::vector<Section> sections;
    for (const Entry& entry : entries) {
        auto section = std::find_if(sections.begin(), sections.end(), [&](const Section& s) {
            return equalIgnoringCase(s.name, entry.section);
        });
        if (section == sections.end())
            section = sections.insert(sections.end(), Section{entry.section, {}, std::nullopt});
        auto key = std::find_if(section->keys.begin(), section->keys.end(),
                                [&](const Key& k) { return equalIgnoringCase(k.name, entry.key); });
        if (key == section->keys.end()) {
            section->keys.push_back({entry.key, entry.value});
        } else {
            key->value = entry.value;
        }
    }

    // Split: each line is its text up to the LF (a CR before it included) and whether an LF ends
    // it; only the last line can lack one.
    struct Line {
        std::string text;
        bool ended = false;
    };
    std::vector<Line> lines;
    for (std::size_t pos = 0; pos < content.size();) {
        const std::size_t lf = std::min(content.find('\n', pos), content.size());
        lines.push_back({std::string(content.substr(pos, lf - pos)), lf < content.size()});
        pos = lf + 1;
    }

    // Edit: in the first section of each name, the first line of each key is rewritten in place
    // (keeping the file's spelling of the key); new keys go after the section's last non-blank
    // line.
    Section* current = nullptr;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view text = lines[i].text;
        if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
        const Parsed parsed = parse(text);
        if (parsed.kind == Kind::Section) {
            current = nullptr;
            for (Section& section : sections) {
                if (!section.lastLine && equalIgnoringCase(section.name, parsed.name)) {
                    current = &section;
                    current->lastLine = i;
                }
            }
            continue;
        }
        if (current == nullptr) continue;
        if (parsed.kind != Kind::Blank) current->lastLine = i;
        if (parsed.kind != Kind::Key) continue;
        for (Key& key : current->keys) {
            if (!key.written && equalIgnoringCase(key.name, parsed.name)) {
                lines[i].text = keyLine(parsed.name, key.value);
                key.written = true;
                break;
            }
        }
    }

    // Join: the lines as they were or rewritten, each section's new keys after its last line,
    // then the sections the file lacks. Whatever is added starts on a line of its own.
    std::string out;
    out.reserve(content.size() + entries.size() * 24 + 64);
    const auto startLine = [&out] {
        if (!out.empty() && out.back() != '\n') out += '\n';
    };
    const auto addKeys = [&out, &startLine](const Section& section) {
        for (const Key& key : section.keys) {
            if (key.written) continue;
            startLine();
            out += keyLine(key.name, key.value) + '\n';
        }
    };
    std::vector<const Section*> insertAfter(lines.size(), nullptr);
    for (const Section& section : sections) {
        if (section.lastLine) insertAfter[*section.lastLine] = &section;
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        out += lines[i].text;
        if (lines[i].ended) out += '\n';
        if (insertAfter[i] != nullptr) addKeys(*insertAfter[i]);
    }
    for (const Section& section : sections) {
        if (section.lastLine) continue;
        startLine();
        out += '[' + section.name + "]\n";
        addKeys(section);
    }
    return out;
}

std::int32_t parseInteger(std::string_view text, std::int32_t fallback) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    if (text.empty()) return fallback;

    std::string_view hex;
    bool isHex = false;
    if (text.front() == '$' || text.front() == 'x' || text.front() == 'X') {
        hex = text.substr(1);
        isHex = true;
    } else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        hex = text.substr(2);
        isHex = true;
    }
    if (isHex) {
        if (hex.empty()) return fallback;
        std::uint64_t value = 0;
        for (char c : hex) {
            int digit;
            if (c >= '0' && c <= '9') {
                digit = c - '0';
            } else if (c >= 'a' && c <= 'f') {
                digit = c - 'a' + 10;
            } else if (c >= 'A' && c <= 'F') {
                digit = c - 'A' + 10;
            } else {
                return fallback;
            }
            value = value * 16 + static_cast<std::uint64_t>(digit);
            if (value > 0xFFFFFFFFu) return fallback;
        }
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    }

    bool negative = false;
    if (text.front() == '-' || text.front() == '+') {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return fallback;
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return fallback;
        value = value * 10 + (c - '0');
        if (value > std::int64_t{INT32_MAX} + 1) return fallback;
    }
    if (negative) return static_cast<std::int32_t>(-value);
    if (value > INT32_MAX) return fallback;
    return static_cast<std::int32_t>(value);
}

namespace {

using platform::files::Descriptor;

std::string folderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// The file a write replaces: a symbolic link is followed so that the link itself stays.
std::string writeTarget(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr),
                                                         &std::free);
        if (real) return real.get();
    }
    return path;
}

}  // namespace

std::optional<std::string> readFile(const std::string& path) {
    const auto bytes = platform::files::readRegular(path, kMaxFileSize);
    if (!bytes) return std::nullopt;
    return std::string(bytes->begin(), bytes->end());
}

namespace {

enum class Written { Done, CreatedMeanwhile };

// One read-modify-write under the file's update lock. A file that was missing is created only
// where nobody created it meanwhile; if somebody did, their content is not replaced.
Written writeLocked(const std::string& path, const std::vector<Entry>& entries,
                    const Failure& refused) {
    const std::string target = writeTarget(path);
    const platform::UpdateLock lock(target);
    const std::string folder = folderOf(target);
    std::string content;
    struct stat old {};
    bool existed = false;
    if (::stat(target.c_str(), &old) == 0) {
        existed = true;
        // A file without its owner's write permission is read-only, even for root.
        if (!S_ISREG(old.st_mode) || (old.st_mode & S_IWUSR) == 0 ||
            ::access(target.c_str(), W_OK) != 0) {
            throw refused;
        }
        std::optional<std::string> current = readFile(target);
        if (!current) throw refused;  // never replace what could not be read
        content = std::move(*current);
    } else if (errno != ENOENT) {
        throw refused;
    }
    if (::access(folder.c_str(), W_OK | X_OK) != 0) throw refused;

    const std::string updated = applyWrites(content, entries);
    // A file its own reader would refuse is never written.
    if (updated.size() > kMaxFileSize) throw refused;

    // A hidden temporary name in the same folder, so that the rename is atomic.
    std::string temporary;
    int raw = -1;
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 16 && raw < 0; ++attempt) {
        temporary = folder + "/.fellridge28.ini." + std::to_string(::getpid()) + '.' +
                    std::to_string(++counter) + '.' +
                    std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) +
                    ".tmp";
        raw = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (raw < 0 && errno != EEXIST) break;
    }
    if (raw < 0) throw refused;
    Descriptor fd(raw);

    bool ok = platform::files::writeAll(fd.get(), updated.data(), updated.size());
    if (ok && existed) {
        ok = ::fchmod(fd.get(), old.st_mode & 07777) == 0;
        if (ok && ::geteuid() == 0) {
            // Only root can hand the file back to its owner; others own what they write.
            ok = ::fchown(fd.get(), old.st_uid, old.st_gid) == 0;
        }
    }
    if (ok) ok = ::fsync(fd.get()) == 0;
    if (ok) ok = ::close(fd.release()) == 0;
    Written result = Written::Done;
    if (ok && !existed &&
        ::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) != 0) {
        if (errno == EEXIST) {
            result = Written::CreatedMeanwhile;
            ok = false;
        } else if (errno != EINVAL && errno != ENOSYS) {
            ok = false;  // otherwise a file system without the no-replace rename: a plain one
        } else {
            ok = ::rename(temporary.c_str(), target.c_str()) == 0;
        }
    } else if (ok && existed) {
        ok = ::rename(temporary.c_str(), target.c_str()) == 0;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        if (result == Written::CreatedMeanwhile) return result;
        throw refused;
    }
    return result;
}

}  // namespace

void writeEntries(const std::string& path, const std::vector<Entry>& entries) {
    const Failure refused("Unable to write to " + path);
    for (const Entry& entry : entries) {
        if (!canStore(entry.section) || !canStore(entry.key) || !canStore(entry.value) ||
            entry.key.find('=') != std::string::npos ||
            entry.section.find(']') != std::string::npos) {
            throw refused;
        }
    }
    // A file created by another writer meanwhile is written again, from its content, locked.
    for (int attempt = 0; attempt < 3; ++attempt)
        if (writeLocked(path, entries, refused) == Written::Done) return;
    throw refused;
}

namespace {

constexpr std::string_view kTemporaryPrefix = ".fellridge28.ini.";
constexpr std::string_view kTemporarySuffix = ".tmp";

// The process id of a writer's temporary name: "<pid>.<n>.<t>" between the prefix and the
// suffix, all three decimal. 0 when the name is not of that form.
pid_t temporaryOwner(std::string_view name) {
    if (name.size() <= kTemporaryPrefix.size() + kTemporarySuffix.size() ||
        name.substr(0, kTemporaryPrefix.size()) != kTemporaryPrefix ||
        name.substr(name.size() - kTemporarySuffix.size()) != kTemporarySuffix) {
        return 0;
    }
    name = name.substr(kTemporaryPrefix.size(),
                       name.size() - kTemporaryPrefix.size() - kTemporarySuffix.size());
    long long pid = 0;
    int fields = 1;
    bool digit = false;
    for (const char c : name) {
        if (c == '.') {
            if (!digit) return 0;
            digit = false;
            ++fields;
        } else if (c >= '0' && c <= '9') {
            digit = true;
            if (fields == 1) {
                pid = pid * 10 + (c - '0');
                if (pid > INT_MAX) return 0;
            }
        } else {
            return 0;
        }
    }
    return (digit && fields == 3 && pid > 0) ? static_cast<pid_t>(pid) : 0;
}

}  // namespace

void removeStaleTemporaries(const std::string& path) {
    if (path.empty()) return;
    const std::string folder = folderOf(writeTarget(path));
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        const pid_t owner = temporaryOwner(name);
        if (owner == 0) continue;
        // A process that still runs may be about to rename its file; one that can't be
        // signalled for lack of permission runs too.
        if (owner != ::getpid() && (::kill(owner, 0) == 0 || errno != ESRCH)) continue;
        const std::string file = platform::text::joinPath(folder, name);
        struct stat st {};
        if (::lstat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(file.c_str());
    }
}

}  // namespace fellridge::settings::profile
