#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <type_traits>

// Rounds to the nearest integer, halves to even (the default rounding mode).
inline long double RoundHalfEven(long double value) {
    return std::nearbyintl(value);
}

// Keeps the low bits of an integral value, as the original's stores into narrower fields did.
// Values that are not finite or do not fit a signed 64-bit integer give nothing.
template <typename T> std::optional<T> LowBits(long double integral) {
    static_assert(std::is_integral_v<T>);
    if (!std::isfinite(integral))
        return std::nullopt;
    // 2^63 is exact in long double; the interval is half-open on the right.
    constexpr long double limit = 9223372036854775808.0L;
    if (integral < -limit || integral >= limit)
        return std::nullopt;
    return static_cast<T>(static_cast<int64_t>(integral));
}

// Rounds half to even, then keeps the low bits.
template <typename T> std::optional<T> RoundToLowBits(long double value) {
    return LowBits<T>(RoundHalfEven(value));
}
