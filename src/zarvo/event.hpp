#pragma once
// Multicast events: an ordered list of plain procedure pointers, all called in
// attach order by RAISE with the same arguments.
#include <cstddef>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <mutex>

#include "zarvo/runtime/input.hpp"
#include "zarvo/types.hpp"

namespace ZARVO {

namespace GRAPHICS {
struct BITMAP;
}

namespace ENGINE {

// The kind of input handed to frame handlers; all but NONE equal the
// platform's event type numbers.
enum class INPUTEVENT : int32_t {
  NONE = -1,
  KEYPRESS = 1,
  KEYRELEASE = 2,
  KEYREPEAT = 3,
  MOUSEMOVE = 4,
  MOUSEBUTTONPRESS = 5,
  MOUSEBUTTONRELEASE = 6,
  MOUSEBUTTONDOUBLECLICK = 7,
  MOUSEWHEEL = 8,
  MOUSEHWHEEL = 14,
};

// The 20-byte input event record.
using EVENT = RUNTIME::EVENT;

}  // namespace ENGINE

namespace DETAIL {
// Reallocation used by events; tests replace it to simulate exhaustion.
extern void* (*EVENTREALLOC)(void* block, size_t bytes);
// Ends the program: prints the out-of-memory message and exits with status 4.
[[noreturn]] void EVENTOUTOFMEMORY(const char* file, int line);
}  // namespace DETAIL

// A lock that its holder may take again. Constant-initialised, so module-level
// events are usable from other modules' static initialisers.
class REENTRANTLOCK {
 public:
  // Unlocked.
  constexpr REENTRANTLOCK() = default;
  REENTRANTLOCK(const REENTRANTLOCK&) = delete;
  REENTRANTLOCK& operator=(const REENTRANTLOCK&) = delete;
  // Takes the lock, or another level of it for its holder.
  void lock() {
    const uintptr_t me = self();
    if (OWNER.load(std::memory_order_relaxed) == me) {
      ++DEPTH;
      return;
    }
    M.lock();
    OWNER.store(me, std::memory_order_relaxed);
    DEPTH = 1;
  }
  // Releases one level; the last one frees the lock.
  void unlock() {
    if (--DEPTH == 0) {
      OWNER.store(0, std::memory_order_relaxed);
      M.unlock();
    }
  }

 private:
  static uintptr_t self() {
    static thread_local char tag;
    return reinterpret_cast<uintptr_t>(&tag);
  }
  std::mutex M;
  std::atomic<uintptr_t> OWNER{0};
  int32_t DEPTH = 0;
};

// An event: handlers with the signature void(ARGS...), raised together.
template <typename... ARGS>
class MULTICASTEVENT {
 public:
  using HANDLERTYPE = void (*)(ARGS...);

  // Constant-initialised: attachable from any static initialiser.
  constexpr MULTICASTEVENT() = default;
  ~MULTICASTEVENT() {
    std::lock_guard<REENTRANTLOCK> guard(MUTEX);
    if (ISIZE > 0) std::free(HANDLER);
  }
  // Two events sharing one handler array would free it twice.
  MULTICASTEVENT(const MULTICASTEVENT&) = delete;
  MULTICASTEVENT& operator=(const MULTICASTEVENT&) = delete;

  // Appends a handler; attaching one twice makes it run twice. Running out of
  // memory here ends the program (status 4).
  void ATTACH(HANDLERTYPE handler) {
    std::lock_guard<REENTRANTLOCK> guard(MUTEX);
    if (ICOUNT == ISIZE) {
      void* grown = DETAIL::EVENTREALLOC(HANDLER, sizeof(HANDLERTYPE) * (ISIZE + 2));
      if (!grown) DETAIL::EVENTOUTOFMEMORY(__FILE__, __LINE__);
      HANDLER = static_cast<HANDLERTYPE*>(grown);
      ISIZE += 2;
    }
    HANDLER[ICOUNT++] = handler;
  }

  // Removes the first attachment of a handler; an unknown one is ignored.
  void DEATTACH(HANDLERTYPE handler) {
    std::lock_guard<REENTRANTLOCK> guard(MUTEX);
    const int32_t n = ICOUNT;
    for (int32_t i = 0; i < n; ++i) {
      if (HANDLER[i] == handler) {
        --ICOUNT;
        for (int32_t j = i; j < ICOUNT; ++j) HANDLER[j] = HANDLER[j + 1];
        // Raises under way keep their place: the entries after i moved down one.
        for (RAISEFRAME* f = RAISING; f; f = f->OUTER) {
          if (i < f->END) --f->END;
          if (i <= f->AT) --f->AT;
        }
        break;
      }
    }
  }

  // ATTACH and DEATTACH as operators.
  MULTICASTEVENT& operator+=(HANDLERTYPE handler) {
    ATTACH(handler);
    return *this;
  }
  MULTICASTEVENT& operator-=(HANDLERTYPE handler) {
    DEATTACH(handler);
    return *this;
  }

  // Calls, in order and once each, every handler that was attached when the
  // raise began and is still attached when its turn comes; handlers attached
  // meanwhile wait for the next raise. A handler may attach to, detach from
  // (itself included) or raise this same event: the lock is re-entrant for its
  // holder, so that deadlocks nobody instead of hanging the game.
  template <typename... CALLARGS>
  void RAISE(CALLARGS&&... args) {
    std::lock_guard<REENTRANTLOCK> guard(MUTEX);
    RAISEFRAME frame{0, ICOUNT, RAISING};
    RAISEGUARD pop{this, &frame};
    for (; frame.AT < frame.END; ++frame.AT) {
      HANDLERTYPE h = HANDLER[frame.AT];  // read afresh: a handler may have grown the array
      if (h) h(args...);
    }
  }

  // Handlers attached, and slots allocated for them.
  int32_t COUNT() const { return ICOUNT; }
  int32_t CAPACITY() const { return ISIZE; }

 private:
  // One per raise under way, innermost first: the entry being called and the
  // end of the entries that were attached when that raise began.
  struct RAISEFRAME {
    int32_t AT;
    int32_t END;
    RAISEFRAME* OUTER;
  };
  struct RAISEGUARD {
    MULTICASTEVENT* EVENT;
    RAISEFRAME* FRAME;
    RAISEGUARD(MULTICASTEVENT* e, RAISEFRAME* f) : EVENT(e), FRAME(f) { e->RAISING = f; }
    ~RAISEGUARD() { EVENT->RAISING = FRAME->OUTER; }
    RAISEGUARD(const RAISEGUARD&) = delete;
    RAISEGUARD& operator=(const RAISEGUARD&) = delete;
  };

  REENTRANTLOCK MUTEX;
  RAISEFRAME* RAISING = nullptr;
  HANDLERTYPE* HANDLER = nullptr;
  int32_t ICOUNT = 0;
  int32_t ISIZE = 0;
};

// The five event types.
using __SIMPLE_EVENT = MULTICASTEVENT<>;
using ONHIDEEVENT = MULTICASTEVENT<int32_t, BOOLEAN&>;
using ONPAINTEVENT = MULTICASTEVENT<GRAPHICS::BITMAP&>;
using ONFRAMEEVENT = MULTICASTEVENT<float, ENGINE::INPUTEVENT, ENGINE::EVENT&>;
using ONSHUTDOWNEVENT = MULTICASTEVENT<BOOLEAN&>;

}  // namespace ZARVO
