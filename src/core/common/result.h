#pragma once
// The answer of an operation that can fail: a value, or the reason it could
// not be had.  Every failure the user may meet carries two texts: `reason`,
// a French sentence for the user ("Le fichier n'a pas pu être enregistré."),
// and `cause`, what actually went wrong, as precise as the layer that saw it
// can say ("Plus de place sur le disque : /media/cle/essai.kvo").  The window
// shows the reason with the cause as its detail; the command line prints
// both on stderr.  A layer that adds context keeps the deeper cause (see
// `Within`), so the user never gets a bare "Erreur de lecture".
//
// Deliberately small (C++20 has no std::expected): construct from a value or
// from a TError, test with `ok()` or a bool conversion, then take `value()`
// or `error()`.  Taking the wrong side is a programming error and aborts.
#include <cstdlib>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace kinevo {

struct TError {
  std::string reason;  // French, for the user
  std::string cause;   // what went wrong underneath, may be empty

  // The reason, then the cause on its own line ("Détail : ...") when known.
  std::string Text() const {
    if (cause.empty()) return reason;
    return reason + "\nDétail : " + cause;
  }
  // The same as the lines of a message.
  std::vector<std::string> Lines() const {
    if (cause.empty()) return {reason};
    return {reason, "Détail : " + cause};
  }
  // The same failure seen one level up: `outer` becomes the reason and the
  // current reason joins the cause, so nothing said below is lost.
  TError Within(std::string outer) const {
    std::string deeper = cause.empty() ? reason : reason + " " + cause;
    return TError{std::move(outer), std::move(deeper)};
  }
  bool operator==(const TError&) const = default;
};

inline TError Fail(std::string reason, std::string cause = {}) {
  return TError{std::move(reason), std::move(cause)};
}

template <typename T>
class [[nodiscard]] TResult {
  static_assert(!std::is_same_v<std::decay_t<T>, TError>,
                "a result cannot hold an error as its value");

 public:
  TResult(T value) : v_(std::in_place_index<0>, std::move(value)) {}
  TResult(TError error) : v_(std::in_place_index<1>, std::move(error)) {}

  bool ok() const { return v_.index() == 0; }
  explicit operator bool() const { return ok(); }

  T& value() & {
    Check(true);
    return std::get<0>(v_);
  }
  const T& value() const& {
    Check(true);
    return std::get<0>(v_);
  }
  T&& value() && {
    Check(true);
    return std::get<0>(std::move(v_));
  }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }

  const TError& error() const {
    Check(false);
    return std::get<1>(v_);
  }
  T value_or(T fallback) const { return ok() ? std::get<0>(v_) : std::move(fallback); }

 private:
  void Check(bool wantValue) const {
    if (ok() != wantValue) std::abort();
  }
  std::variant<T, TError> v_;
};

// An operation that answers nothing but success or a failure.
template <>
class [[nodiscard]] TResult<void> {
 public:
  TResult() = default;
  TResult(TError error) : error_(std::move(error)) {}

  bool ok() const { return !error_.has_value(); }
  explicit operator bool() const { return ok(); }
  const TError& error() const {
    if (!error_) std::abort();
    return *error_;
  }

 private:
  std::optional<TError> error_;
};

using TStatus = TResult<void>;

}  // namespace kinevo
