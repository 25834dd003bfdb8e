// Runs a check once for every instruction set that the evaluators' sample kernels are compiled
// for and this processor has, with the kernels' run-time dispatch pinned to it, so that every
// variant is held to the same exact results.
#pragma once

#include <cstdint>
#include <string>

#include <gtest/gtest.h>
#include <hwy/targets.h>

namespace TestSupport {

template <class Check>
void ForEachKernelTarget(Check&& check)
{
    const int64_t supported = hwy::SupportedTargets();
    for (const int64_t target : {HWY_AVX3, HWY_AVX2, HWY_SSE4, HWY_SCALAR}) {
        if ((supported & target) == 0)
            continue;
        hwy::SetSupportedTargetsForTest(target);
        {
            SCOPED_TRACE(std::string("instruction set ") + hwy::TargetName(target));
            check();
        }
        hwy::SetSupportedTargetsForTest(0);
    }
}

}  // namespace TestSupport
