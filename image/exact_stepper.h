// An exact quotient/remainder stepper: trunc(base + D * u / n) for u = u0, u0 + 1, ... (or
// u0 - 1, ...) without a division per value. The blit carries every interpolation of its edges
// and spans in one, so that its results equal the formulas divided anew each time.
#pragma once

#include <cstdint>

// floor(D * u / n) as q with its remainder r (0 <= r < n), for n > 0.
struct ExactStepper {
    int64_t q, r, qd, rd, n;

    // |D| < 2^32, 0 < n < 2^32, 0 <= u <= n.
    void Init(int64_t D, int64_t denominator, int64_t u) {
        n = denominator;
        qd = D / n;
        rd = D - qd * n;
        if (rd < 0) {
            rd += n;
            --qd;
        }
        // D * u = qd * u * n + rd * u, and rd * u < n * n < 2^64.
        const uint64_t ru = static_cast<uint64_t>(rd) * static_cast<uint64_t>(u);
        const uint64_t un = static_cast<uint64_t>(n);
        q = qd * u + static_cast<int64_t>(ru / un);
        r = static_cast<int64_t>(ru % un);
    }
    // u grows by one.
    void Up() {
        q += qd;
        r += rd;
        if (r >= n) {
            r -= n;
            ++q;
        }
    }
    // u shrinks by one.
    void Down() {
        q -= qd;
        r -= rd;
        if (r < 0) {
            r += n;
            --q;
        }
    }
    // trunc(D * u / n): floor, plus one where it is negative and inexact.
    int64_t Quotient() const { return q + static_cast<int64_t>((q < 0) & (r != 0)); }
    // trunc(base + D * u / n).
    int32_t Trunc(int64_t base) const {
        const int64_t t = base + q;
        return static_cast<int32_t>(t + static_cast<int64_t>((t < 0) & (r != 0)));
    }
};
