#pragma once

#include <gtest/gtest.h>

#include <string>

namespace nubo::testing {

// Names a parameterised case after the `name` member of its parameter.
struct CaseName {
  template <typename Param>
  std::string operator()(const ::testing::TestParamInfo<Param>& param) const {
    return param.param.name;
  }
};

}  // namespace nubo::testing
