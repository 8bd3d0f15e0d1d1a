// Multicast events: order, duplicates, detach, growth, shared by-reference
// arguments, re-entrant handlers and the out-of-memory end.
#include <gtest/gtest.h>

#include <string>

#include "zarvo/event.hpp"

using namespace ZARVO;

namespace {

std::string calls;
void first() { calls += "1"; }
void second() { calls += "2"; }
void third() { calls += "3"; }

}  // namespace

TEST(Event, OrderDuplicatesDetachAndCapacity) {
  __SIMPLE_EVENT e;
  calls.clear();
  e.RAISE();
  EXPECT_EQ(calls, "");
  EXPECT_EQ(e.CAPACITY(), 0);

  e += first;
  EXPECT_EQ(e.CAPACITY(), 2);
  e.ATTACH(second);
  e += third;
  EXPECT_EQ(e.COUNT(), 3);
  EXPECT_EQ(e.CAPACITY(), 4);
  e.RAISE();
  EXPECT_EQ(calls, "123");

  calls.clear();
  e -= second;
  e.RAISE();
  EXPECT_EQ(calls, "13");

  // The same handler twice: called twice; one detach removes the earlier one.
  calls.clear();
  e += first;
  e.RAISE();
  EXPECT_EQ(calls, "131");
  calls.clear();
  e.DEATTACH(first);
  e.RAISE();
  EXPECT_EQ(calls, "31");

  e.DEATTACH(second);  // not attached: nothing changes
  e -= third;
  e -= first;
  EXPECT_EQ(e.COUNT(), 0);
  EXPECT_EQ(e.CAPACITY(), 4) << "capacity never shrinks";
  calls.clear();
  e.RAISE();
  EXPECT_EQ(calls, "");
}

TEST(Event, CapacityGrowsByTwo) {
  ONSHUTDOWNEVENT e;
  auto h = [](BOOLEAN&) {};
  for (int i = 1; i <= 9; ++i) {
    e += h;
    EXPECT_EQ(e.COUNT(), i);
    EXPECT_EQ(e.CAPACITY(), (i + 1) / 2 * 2);
  }
}

TEST(Event, HandlersShareTheCallersFlag) {
  ONHIDEEVENT e;
  static int32_t seen[2];
  e += [](int32_t next, BOOLEAN& cancel) {
    seen[0] = next;
    cancel = TRUE;
  };
  e += [](int32_t next, BOOLEAN& cancel) {
    seen[1] = cancel;  // sees the earlier handler's write
    cancel = next == 3 ? FALSE : TRUE;
  };
  BOOLEAN flag = FALSE;
  e.RAISE(3, flag);
  EXPECT_EQ(seen[0], 3);
  EXPECT_EQ(seen[1], TRUE);
  EXPECT_EQ(flag, FALSE) << "the later handler's value wins";
}

// A handler that touches its own event carries on instead of hanging.
TEST(Event, ReentrantHandlersDoNotHang) {
  static __SIMPLE_EVENT e;
  static int depth = 0, raised = 0;
  calls.clear();
  e += [] {
    ++raised;
    if (depth++ == 0) {
      e.RAISE();       // nested raise
      e += second;     // attach while raising; may grow the array
      e += third;
    }
  };
  e.RAISE();
  EXPECT_EQ(raised, 2);
  EXPECT_EQ(calls, "") << "handlers attached during a raise wait for the next one";
  e.RAISE();
  EXPECT_EQ(calls, "23");
}

// A raise calls, once each and in order, every handler attached when it began
// and still attached when its turn comes.
TEST(Event, DetachDuringRaiseSkipsNobody) {
  static __SIMPLE_EVENT e;
  static void (*selfremoving)() = [] {
    calls += "s";
    e -= selfremoving;
  };
  calls.clear();
  e += selfremoving;
  e += second;
  e += third;
  e.RAISE();
  EXPECT_EQ(calls, "s23") << "the handler after one that detached itself still runs";
  calls.clear();
  e.RAISE();
  EXPECT_EQ(calls, "23");

  // Detaching a later handler skips it; an earlier one moves nobody past.
  static __SIMPLE_EVENT f;
  calls.clear();
  f += first;
  f += [] {
    calls += "x";
    f -= third;
    f -= first;
    f += first;  // attached during the raise: waits for the next one
  };
  f += second;
  f += third;
  f.RAISE();
  EXPECT_EQ(calls, "1x2");
  calls.clear();
  f.RAISE();
  EXPECT_EQ(calls, "x2") << "x detaches 1 and attaches it again, after the raise began";

  // Duplicates, and an inner raise of the same event detaching under the outer one.
  static __SIMPLE_EVENT g;
  static int depth = 0;
  static void (*twice)() = [] {
    calls += "t";
    g -= twice;  // the first occurrence left goes
  };
  calls.clear();
  g += twice;
  g += [] {
    calls += "n";
    if (depth++ == 0) g.RAISE();
  };
  g += twice;
  g += third;
  g.RAISE();
  // Outer: t, n, then the inner raise: n, t (the last twice detaches), 3; the
  // outer raise goes on with 3 only.
  EXPECT_EQ(calls, "tnnt33");
}

TEST(EventDeathTest, OutOfMemoryEndsWithStatusFour) {
  EXPECT_EXIT(
      {
        __SIMPLE_EVENT e;
        e += first;
        e += first;
        DETAIL::EVENTREALLOC = [](void*, size_t) -> void* { return nullptr; };
        e += first;
      },
      ::testing::ExitedWithCode(4), "out of memory");
}
