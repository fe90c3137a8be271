#include "settings/profile.h"

#include <algorithm>
#include <unordered_map>

#include "platform/files/text.h"

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

    // Each line of the file, and its new text once a key is rewritten in it.
    struct Edited {
        Line line;
        std::optional<std::string> rewritten;
    };
    std::vector<Edited> lines;
    Lines walk(content);
    for (Line line; walk.next(line);) lines.push_back({line, std::nullopt});

    // Edit: in the first section of each name, the first line of each key is rewritten in place
    // (keeping the file's spelling of the key); new keys go after the section's last non-blank
    // line.
    Section* current = nullptr;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Parsed parsed = parse(walk.text(lines[i].line));
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
                lines[i].rewritten = keyLine(parsed.name, key.value);
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
        // A rewritten line drops the CR that its old text may have ended in.
        const Line& line = lines[i].line;
        if (lines[i].rewritten) {
            out += *lines[i].rewritten;
        } else {
            out += content.substr(line.begin, line.rawEnd - line.begin);
        }
        if (line.next > line.rawEnd) out += '\n';
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

}  // namespace fellridge::settings::profile
