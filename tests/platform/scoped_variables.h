// Environment variables set or unset for one test and put back when it ends.
#pragma once

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

namespace fellridge::platform::test_env {

class Variables {
  public:
    void set(const char* name, const char* value) {
        if (!saved_.count(name)) {
            const char* old = std::getenv(name);
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        put(name, value);
    }
    ~Variables() {
        for (const auto& [name, value] : saved_)
            put(name.c_str(), value ? value->c_str() : nullptr);
    }

  private:
    static void put(const char* name, const char* value) {
        if (value) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    std::map<std::string, std::optional<std::string>> saved_;
};

}  // namespace fellridge::platform::test_env
