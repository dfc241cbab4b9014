#pragma once
#include <cstdint>

// Timed waits (Windows only, but for RelativeDueTime) that keep the calling thread's window messages flowing.

// Units of WaitWithEvents.
enum WaitUnit : int { kMilliseconds = 0, kSeconds = 1, kMinutes = 2, kHours = 3 };

// Waits `delay` units on a waitable timer, dispatching the thread's messages whenever
// some arrive meanwhile. True when the wait ran out.
bool WaitWithEvents(int32_t delay, int unit);

// Dispatches the messages waiting in the calling thread's queue, up to the quit message,
// which stays in the queue.
void ProcessPendingEvents();

// The relative due time of a wait, in 100-ns units (negative means relative). Beyond the
// 64-bit range it is the processor's "integer indefinite", the most negative value.
int64_t RelativeDueTime(int32_t delay, int unit);
