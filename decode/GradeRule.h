#pragma once

#include <array>

// How a verifier's measurement turns into a grade, shared by the linear and the 2D checks:
// pass (4) at the first limit or fail (0), or by the limits for A, B, C and D; some values are
// only reported.
namespace GradeRule {

enum class Scale { PassFail, AtLeast, AtMost, None };

// The grade 4 (A) to 0 (F) of `value` by `limits`, A's first.
constexpr int gradeOf(Scale scale, const std::array<double, 4>& limits, double value) {
    if (scale == Scale::PassFail) return value >= limits[0] ? 4 : 0;
    int grade = 4;
    for (const double limit : limits) {
        const bool meets = scale == Scale::AtMost ? value <= limit : value >= limit;
        if (meets) return grade;
        --grade;
    }
    return 0;
}

} // namespace GradeRule
