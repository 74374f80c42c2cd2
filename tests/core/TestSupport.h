#pragma once
// Small helpers shared by the core's data-driven tests.

#include <string>

#include <gtest/gtest.h>

#include "base/Errors.h"

namespace testsupport {

// The run-time error number f throws, or 0 when it returns normally.
template <class F>
int ErrorNumber(F&& f) {
    try {
        f();
    } catch (const base::RuntimeError& e) {
        return e.number;
    }
    return 0;
}

// Test names from the `name` member of each table row.
struct RowName {
    template <class Param>
    std::string operator()(const ::testing::TestParamInfo<Param>& info) const {
        return info.param.name;
    }
};

}  // namespace testsupport
