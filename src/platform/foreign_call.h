#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace keydesk {

// Calls into a library that another compiler built (the lock vendor's card library).
//
// On 32-bit x86 Windows a function either removes its arguments from the stack itself
// (stdcall) or leaves that to the caller (the C convention), and nothing in an export by its
// plain name tells which. A call through a pointer of the wrong kind leaves the stack pointer
// off by the arguments' size and corrupts the caller's frame. So there every call goes through
// a routine that pushes the arguments, calls, and puts the stack pointer back to where it was
// before the push, whichever convention the callee used. Elsewhere there is one convention and
// the call is a plain typed call.
//
// Thread-safe: nothing is shared between calls.

#if defined(_WIN32) && !defined(_WIN64)
inline constexpr bool kForeignCallRestoresStack = true;
#else
inline constexpr bool kForeignCallRestoresStack = false;
#endif

// The number of arguments of a function pointer type.
template <class Function>
struct ForeignArity;
template <class Result, class... Args>
struct ForeignArity<Result (*)(Args...)> : std::integral_constant<std::size_t, sizeof...(Args)> {};
#if defined(_WIN32) && !defined(_WIN64)
template <class Result, class... Args>
struct ForeignArity<Result(__stdcall*)(Args...)>
    : std::integral_constant<std::size_t, sizeof...(Args)> {};
#endif

// The bytes of arguments that a 32-bit stdcall function of this type removes: the number
// in its decorated export name (_Name@N).
template <class Function>
inline constexpr std::size_t kStdcallArgumentBytes = 4 * ForeignArity<Function>::value;

#if defined(_WIN32) && !defined(_WIN64)
extern "C" uint32_t keydesk_call_restoring_stack(void* function, const uint32_t* words,
                                                 uint32_t count, uint32_t* removedBytes);

// An argument as the 32-bit stack word it is passed in.
template <class Value>
uint32_t StackWord(Value value) {
  if constexpr (std::is_pointer_v<Value>) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(value));
  } else {
    static_assert(std::is_integral_v<Value> && sizeof(Value) <= 4);
    return static_cast<uint32_t>(value);
  }
}
#endif

// Calls the function at address as a Function, with arguments converted to its parameter types
// by the caller. *calleeRemovedArguments, when given, says whether the callee removed its
// arguments (stdcall) on 32-bit Windows; it is left alone elsewhere.
template <class Function, class... Args>
auto CallForeign(void* address, bool* calleeRemovedArguments, Args... args) {
  static_assert(sizeof...(Args) == ForeignArity<Function>::value);
#if defined(_WIN32) && !defined(_WIN64)
  using Result = std::invoke_result_t<Function, Args...>;
  const uint32_t words[sizeof...(Args) + 1] = {StackWord(args)..., 0};
  uint32_t removed = 0;
  const uint32_t result = keydesk_call_restoring_stack(address, words, sizeof...(Args), &removed);
  if (calleeRemovedArguments != nullptr && sizeof...(Args) > 0) {
    *calleeRemovedArguments = removed == 4 * sizeof...(Args);
  }
  if constexpr (std::is_void_v<Result>) {
    return;
  } else {
    return static_cast<Result>(result);
  }
#else
  (void)calleeRemovedArguments;
  return reinterpret_cast<Function>(address)(args...);
#endif
}

}  // namespace keydesk
