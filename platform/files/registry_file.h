// The user's registry, read from an export text file.
#pragma once

#include <string>
#include <utility>

#include "platform/services.h"

namespace fellridge::platform {

// HKEY_CURRENT_USER as a registry export text file: $FELLRIDGE_REGISTRY, else
// $XDG_CONFIG_HOME/fellridge-wildlife/user.reg. Read afresh at each query; a missing file is a
// missing key.
class FileRegistry : public Registry {
  public:
    FileRegistry();
    explicit FileRegistry(std::string path) : path_(std::move(path)) {}
    bool keyExists(const std::string& key) override;
    std::optional<Value> value(const std::string& key, const std::string& name) override;

  private:
    std::string path_;
};

// Whether a value that switches something on is set: a dword other than 0, or text that spells a
// number other than 0 (blanks around it allowed). Text that spells no number counts as set, so
// that a damaged value never silently drops a password.
bool registryFlagSet(const Registry::Value& value);

}  // namespace fellridge::platform
