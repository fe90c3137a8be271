// Runs a function when the scope ends, however it ends.
#pragma once

#include <utility>

namespace fellridge::saver {

template <class F>
class ScopeExit {
  public:
    explicit ScopeExit(F f) : f_(std::move(f)) {}
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    ~ScopeExit() { f_(); }

  private:
    F f_;
};

}  // namespace fellridge::saver
