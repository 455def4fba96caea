#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>

#include "datatools/packet/packet_result.h"

namespace nubo::testing {

struct ExpectedField {
  const char* name;
  std::uint64_t offset;
  std::uint64_t length;
  const char* value;
  const char* summary;
};

// The fields of one layer, in this order, from entry `first` of the table on.
inline void ExpectFields(const PacketResult& result, std::uint64_t first, const char* layer,
                         std::initializer_list<ExpectedField> expected) {
  ASSERT_LE(first + expected.size(), result.fieldCount);
  std::uint64_t index = first;
  for (const ExpectedField& e : expected) {
    SCOPED_TRACE(e.name);
    const PacketField& field = result.fields[index++];
    EXPECT_STREQ(field.layer, layer);
    EXPECT_STREQ(field.name, e.name);
    EXPECT_EQ(field.offset, e.offset);
    EXPECT_EQ(field.length, e.length);
    EXPECT_STREQ(field.value, e.value);
    EXPECT_STREQ(field.summary, e.summary);
  }
}

}  // namespace nubo::testing
