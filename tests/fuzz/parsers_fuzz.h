// The parsers of outside input under arbitrary bytes: the registry file, a stored picture through
// to decoded pixels, the command line and the window id. Shared by the libFuzzer targets and the
// seed-corpus test that every build runs. Each returns what went wrong ("" when nothing did).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fellridge::fuzz {

// The bytes as a registry export file, asked for the keys and values the saver reads.
std::string checkRegistryInput(const std::uint8_t* data, std::size_t size);
// The bytes as a stored picture: copied to its temporary JPEG, loaded and decoded at the small
// scale a slideshow of a small screen asks for.
std::string checkPictureInput(const std::uint8_t* data, std::size_t size);
// The bytes as the program's arguments (split at NUL bytes): joined, split and given a run mode.
std::string checkCommandLineInput(const std::uint8_t* data, std::size_t size);
// The bytes as the value of XSCREENSAVER_WINDOW.
std::string checkWindowIdInput(const std::uint8_t* data, std::size_t size);

}  // namespace fellridge::fuzz
