#pragma once
// Single-subscriber notifications from model objects to the windows.  An
// event is a std::function member; firing an unset event does nothing.
#include <functional>
#include <utility>

namespace kinevo {

template <typename... Args>
class TEvent {
 public:
  using Handler = std::function<void(Args...)>;
  TEvent() = default;
  TEvent& operator=(Handler h) {
    handler_ = std::move(h);
    return *this;
  }
  void Set(Handler h) { handler_ = std::move(h); }
  void Clear() { handler_ = nullptr; }
  explicit operator bool() const { return static_cast<bool>(handler_); }
  void operator()(Args... args) const {
    if (handler_) handler_(std::forward<Args>(args)...);
  }

 private:
  Handler handler_;
};

// The usual shapes: sender only, or sender plus a value.
using TNotifyEvent = TEvent<void*>;

}  // namespace kinevo
