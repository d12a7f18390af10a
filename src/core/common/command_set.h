#pragma once
// Typed identifiers for the commands of one window, made from one list.
// Code names a command by its identifier; the object name of its action,
// which tests and scripts look for, is the identifier's own name
// (CommandName), so the two cannot drift apart and a misspelling does not
// compile.
//
//   #define KINEVO_RESULTS_COMMANDS(X) X(MenuCopier) X(MenuFermer)
//   KINEVO_COMMAND_SET(TResultsCommand, KINEVO_RESULTS_COMMANDS)
//
// makes `enum class TResultsCommand { MenuCopier, MenuFermer }`,
// `CommandName(TResultsCommand::MenuCopier)` == "MenuCopier", and
// `CommandOfName<TResultsCommand>("MenuFermer")`.  The set is used in the
// namespace that holds the window.
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <span>
#include <string_view>

#define KINEVO_COMMAND_SET_ENUMERATOR(name) name,
#define KINEVO_COMMAND_SET_NAME(name) #name,

#define KINEVO_COMMAND_SET(Type, LIST)                                           \
  enum class Type : uint16_t { LIST(KINEVO_COMMAND_SET_ENUMERATOR) };            \
  inline constexpr const char* Type##Names[] = {LIST(KINEVO_COMMAND_SET_NAME)};  \
  inline constexpr std::size_t Type##Count = std::size(Type##Names);             \
  inline std::span<const char* const> CommandNames(Type) { return Type##Names; } \
  inline const char* CommandName(Type id) { return Type##Names[static_cast<std::size_t>(id)]; }

namespace kinevo {

// The command of a set whose object name is `name`, if any.
template <typename Command>
std::optional<Command> CommandOfName(std::string_view name) {
  const std::span<const char* const> names = CommandNames(Command{});
  for (std::size_t i = 0; i < names.size(); ++i)
    if (name == names[i]) return static_cast<Command>(i);
  return std::nullopt;
}

}  // namespace kinevo
