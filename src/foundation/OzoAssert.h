// The engine's checked rules: OZO_ASSERT stops a debug or sanitizer build
// where a stated rule (a lock held, a thread, an order) is broken, and costs
// nothing in a release build.
#pragma once
#include "platform/kernel/KernelCheck.h"

#define OZO_ASSERT(condition, rule) KERNEL_CHECK(condition, rule)
#define OZO_ASSERT_WINDOW_THREAD() KERNEL_CHECK_WINDOW_THREAD()
