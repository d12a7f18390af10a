#pragma once
// Notifications from the model objects to whoever listens: the windows, the
// session, other models.  A TSignal has any number of listeners; Connect
// gives back a TConnection that ends the subscription when it is destroyed,
// so a listener that keeps its connections as members can never be called
// after it is gone, whichever of the two dies first.
//
// Signals live on the window thread: emission, connecting and disconnecting
// are not synchronised.  During an emission a listener may disconnect
// itself or any other listener (a disconnected listener is not called from
// then on), connect new ones (called from the next emission on), and even
// destroy the object that owns the signal.
#include <cstddef>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace kinevo {

namespace signal_detail {

// What a connection points at: one listener of one signal.
struct SlotLink {
  bool connected = true;
  virtual ~SlotLink() = default;
};

}  // namespace signal_detail

// One subscription.  Move-only; destroying or reassigning it disconnects.
class [[nodiscard]] TConnection {
 public:
  TConnection() = default;
  explicit TConnection(std::weak_ptr<signal_detail::SlotLink> link) : link_(std::move(link)) {}
  TConnection(TConnection&& other) noexcept : link_(std::move(other.link_)) { other.link_.reset(); }
  TConnection& operator=(TConnection&& other) noexcept {
    if (this != &other) {
      Disconnect();
      link_ = std::move(other.link_);
      other.link_.reset();
    }
    return *this;
  }
  TConnection(const TConnection&) = delete;
  TConnection& operator=(const TConnection&) = delete;
  ~TConnection() { Disconnect(); }

  void Disconnect() {
    if (auto l = link_.lock()) l->connected = false;
    link_.reset();
  }
  // False once disconnected, or once the signal itself is gone.
  bool Connected() const {
    auto l = link_.lock();
    return l && l->connected;
  }

 private:
  std::weak_ptr<signal_detail::SlotLink> link_;
};

// The connections of one listener, ended together when it goes.
class TConnections {
 public:
  TConnections& operator+=(TConnection c) {
    list_.push_back(std::move(c));
    return *this;
  }
  void DisconnectAll() { list_.clear(); }
  std::size_t Size() const { return list_.size(); }

 private:
  std::vector<TConnection> list_;
};

template <typename... Args>
class TSignal {
 public:
  using Handler = std::function<void(Args...)>;

  TSignal() : state_(std::make_shared<State>()) {}
  TSignal(const TSignal&) = delete;
  TSignal& operator=(const TSignal&) = delete;
  ~TSignal() {
    // Connections still held elsewhere see the signal as gone.
    for (auto& s : state_->links) s->connected = false;
  }

  TConnection Connect(Handler h) {
    Prune(*state_);
    auto slot = std::make_shared<Slot>();
    slot->handler = std::move(h);
    state_->links.push_back(slot);
    return TConnection(std::weak_ptr<signal_detail::SlotLink>(slot));
  }

  // Calls every listener connected when the emission starts and still
  // connected when its turn comes, in the order of connection.
  void operator()(Args... args) const {
    // The state is held here, so a listener may destroy this signal.
    const std::shared_ptr<State> state = state_;
    const std::size_t n = state->links.size();
    ++state->emitting;
    for (std::size_t i = 0; i < n; ++i) {
      const std::shared_ptr<Slot> slot = state->links[i];
      if (slot->connected && slot->handler) slot->handler(args...);
    }
    --state->emitting;
    Prune(*state);
  }

  std::size_t ListenerCount() const {
    std::size_t n = 0;
    for (const auto& s : state_->links) n += s->connected ? 1 : 0;
    return n;
  }
  explicit operator bool() const { return ListenerCount() > 0; }

 private:
  struct Slot : signal_detail::SlotLink {
    Handler handler;
  };
  struct State {
    // Not named "slots": Qt defines that word as a macro.
    std::vector<std::shared_ptr<Slot>> links;
    int emitting = 0;
  };

  // Drops disconnected listeners, never in the middle of an emission (the
  // loop above walks the list by index).
  static void Prune(State& s) {
    if (s.emitting > 0) return;
    std::erase_if(s.links, [](const std::shared_ptr<Slot>& slot) { return !slot->connected; });
  }

  std::shared_ptr<State> state_;
};

}  // namespace kinevo
