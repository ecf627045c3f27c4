// Names each case of a parameterised test after its `name` field, so that
// a failing row reads as the row it is (INSTANTIATE_TEST_SUITE_P's last
// argument).
#pragma once

#include <gtest/gtest.h>

#include <string>

struct CaseName {
    template <class Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& info) const {
        return info.param.name;
    }
};
