// The name of a table case in a parameterised test: the `name` member of its
// row. Without a name generator the test names carry pointer bytes and change
// from build to build.
#pragma once

#include <gtest/gtest.h>

#include <string>

template <typename Row>
std::string caseName(const testing::TestParamInfo<Row>& info) {
    return info.param.name;
}
