// The exact stepper: after any number of steps up or down, its quotient and its truncated sum
// equal the formulas divided anew, across signs, remainders and the ends of its range (there the
// sum is checked where the one-division formula fits 64 bits).
#include "image/exact_stepper.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "reference_blit.h"

namespace {

struct StepperCase {
    const char* name;
    int64_t D, n, u0;
    int64_t base;
    int32_t steps;  // positive: Up, negative: Down
};

const StepperCase kStepperCases[] = {
    {"exact quotients", 6, 3, 0, 0, 3},
    {"positive with remainders", 193, 344, 0, 0, 344},
    {"negative numerator truncates toward zero", -193, 344, 0, 0, 344},
    {"a base that the quotient crosses", -700, 39, 0, 10, 39},
    {"negative base, positive numerator", 7, 5, 0, -3, 5},
    {"starting inside the range", 193, 192, 86, 0, 106},
    {"stepping down to zero", -1000, 7, 7, 500, -7},
    {"stepping down, positive numerator", 13, 10, 10, -6, -10},
    {"numerator zero", 0, 9, 3, -4, 6},
    {"denominator one", -5, 1, 0, 2, 1},
    {"numerator near 2^32", 4294967295LL, 4294967295LL, 4294967290LL, 0, 5},
    {"most negative numerator", -4294967295LL, 4294967294LL, 1, 2147483647, 3},
    {"numerator much smaller than the denominator", 1, 4294967295LL, 4294967290LL, -1, 5},
};

class ExactStepperTest : public testing::TestWithParam<StepperCase> {};

TEST_P(ExactStepperTest, MatchesTheDividedFormulaAtEveryStep) {
    const StepperCase& c = GetParam();
    ExactStepper st;
    st.Init(c.D, c.n, c.u0);
    const int32_t count = c.steps < 0 ? -c.steps : c.steps;
    const auto fits31 = [](int64_t v) { return v > -2147483648LL && v < 2147483648LL; };
    const bool small = fits31(c.D) && fits31(c.n) && fits31(c.base) && fits31(c.u0 + count) &&
                       fits31(c.u0 - count);
    for (int32_t k = 0; k <= count; ++k) {
        const int64_t u = c.u0 + (c.steps < 0 ? -k : k);
        // trunc(D * u / n), and trunc(base + D * u / n) = trunc((base * n + D * u) / n).
        const int64_t quotient = ReferenceProductQuotient(c.D, u, c.n);
        ASSERT_EQ(quotient, st.Quotient()) << "u = " << u;
        if (small) {
            // trunc(base + D * u / n) as one division, where the products fit 64 bits.
            ASSERT_EQ((c.base * c.n + c.D * u) / c.n, st.Trunc(c.base)) << "u = " << u;
        }
        if (k < count) {
            if (c.steps < 0) {
                st.Down();
            } else {
                st.Up();
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(ExactStepper, ExactStepperTest, testing::ValuesIn(kStepperCases),
                         [](const testing::TestParamInfo<StepperCase>& info) {
                             std::string name;
                             for (const char* p = info.param.name; *p != '\0'; ++p) {
                                 name += (*p >= 'a' && *p <= 'z') || (*p >= '0' && *p <= '9') ? *p
                                                                                              : '_';
                             }
                             return name;
                         });

}  // namespace
