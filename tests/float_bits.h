#pragma once

// Bit-exact float comparison: the layout promises identical single-precision results,
// so tests compare bit patterns (which also tells -0 from +0) rather than tolerances.

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdio>

inline std::uint32_t floatBits(float v) { return std::bit_cast<std::uint32_t>(v); }

inline ::testing::AssertionResult sameBits(const char* actualExpr, const char* expectedExpr,
                                           float actual, float expected) {
    if (floatBits(actual) == floatBits(expected)) return ::testing::AssertionSuccess();
    char text[160];
    std::snprintf(text, sizeof text, "%s is %.9g (0x%08x), %s is %.9g (0x%08x)", actualExpr,
                  actual, floatBits(actual), expectedExpr, expected, floatBits(expected));
    return ::testing::AssertionFailure() << text;
}

#define EXPECT_SAME_BITS(actual, expected) EXPECT_PRED_FORMAT2(sameBits, actual, expected)
