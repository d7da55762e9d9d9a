#include "MVMulDiv.h"

#include <climits>
#include <cstdint>

int MVMulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const bool negative = (product < 0) != (c < 0);
    // |a * b| is at most 2^62 and |c| at most 2^31, so the rounding sum cannot overflow.
    const std::uint64_t magnitude = product < 0 ? 0 - static_cast<std::uint64_t>(product)
                                                : static_cast<std::uint64_t>(product);
    const std::uint64_t divisor = c < 0 ? 0 - static_cast<std::uint64_t>(static_cast<std::int64_t>(c))
                                        : static_cast<std::uint64_t>(c);
    const std::uint64_t quotient = (magnitude + divisor / 2) / divisor;
    if (!negative && quotient > static_cast<std::uint64_t>(INT_MAX))
        return -1;
    if (negative && quotient > static_cast<std::uint64_t>(INT_MAX) + 1)
        return -1;
    return negative ? static_cast<int>(-static_cast<std::int64_t>(quotient)) : static_cast<int>(quotient);
}
