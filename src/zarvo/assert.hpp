#pragma once
// Contracts checked in Debug builds. Release builds compile them away, so a
// ZARVO_ASSERT never guards against bad input: bad input gets its documented
// result whatever the build. It catches the engine's own callers breaking a
// rule that is otherwise only written in a comment.

namespace ZARVO::DETAIL {
[[noreturn]] void ASSERTFAILED(const char* condition, const char* file, int line);
}  // namespace ZARVO::DETAIL

#ifdef NDEBUG
#define ZARVO_ASSERT(condition) ((void)0)
#else
#define ZARVO_ASSERT(condition) \
  ((condition) ? (void)0 : ::ZARVO::DETAIL::ASSERTFAILED(#condition, __FILE__, __LINE__))
#endif
