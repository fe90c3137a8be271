#include "settings_fuzz.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

#include "settings/profile.h"
#include "settings/profile_integer.h"

namespace fellridge::fuzz {
namespace {

using settings::profile::applyWrites;
using settings::profile::Entry;
using settings::profile::kMaxValueLength;
using settings::profile::lookup;
using settings::profile::lookupMany;
using settings::profile::parseInteger;

const std::vector<std::string>& optionKeys() {
    static const std::vector<std::string> keys = {"Sound",  "Status", "Seq",    "Repeat", "Color",
                                                  "Picdis", "Time",   "Height", "Width"};
    return keys;
}

// A few of the 500 sound slots, first, last and in between in several spellings: looking up all
// of them for every input costs more than the parse itself, and they all take the one path.
const std::vector<std::string>& slotKeys() {
    static const std::vector<std::string> keys = {"Name1",   "name2",   "NAME10",  "Name99",
                                                  "Name250", "Name499", "Name500", "Name1"};
    return keys;
}

}  // namespace

std::string checkSettingsInput(const std::uint8_t* data, std::size_t size) {
    const std::string content(reinterpret_cast<const char*>(data), size);

    // Reading: any bytes give some answer.
    auto options = lookupMany(content, "Options", optionKeys());
    for (const auto& value : options) {
        if (value && value->size() > kMaxValueLength) return "a value longer than the limit";
        if (value) parseInteger(*value, -1);
    }
    lookupMany(content, "WavConfig", slotKeys());
    parseInteger(std::string_view(content).substr(0, 64), 7);

    // No writes keep every byte.
    if (applyWrites(content, {}) != content) return "an empty write changed the file";

    // A value written is read back unchanged, and other sections are left alone. The last
    // bytes of the input choose the section, the key and the value.
    std::string value = content.substr(content.size() - std::min<std::size_t>(size, 48));
    value.erase(
        std::remove_if(value.begin(), value.end(), [](char c) { return c == '\r' || c == '\n'; }),
        value.end());
    const unsigned pick = size > 0 ? data[0] : 0;
    static const char* const sections[] = {"WavConfig", "wavconfig", "Extra", "WAVCONFIG"};
    static const char* const keys[] = {"Name1", "name7", "Name500", "NAME3"};
    const Entry entry{sections[pick & 3], keys[(pick >> 2) & 3], value};

    const std::string once = applyWrites(content, {entry});
    if (lookup(once, entry.section, entry.key) != value)
        return "the written value reads back changed";
    if (lookupMany(once, "Options", optionKeys()) != options)
        return "a write changed another section";
    if (applyWrites(once, {entry}) != once) return "writing the same value twice changed the file";
    return "";
}

}  // namespace fellridge::fuzz
