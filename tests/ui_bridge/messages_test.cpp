#include <gtest/gtest.h>

#include "ui_bridge/messages.h"

namespace nubo {
namespace {

TEST(Messages, SerialiseCompactSortedAndRawUtf8) {
  Json payload = Json::object();
  payload["zeta"] = 1;
  payload["alpha"] = "可爱";
  payload["mid"] = Json::array({true, nullptr});
  EXPECT_EQ(SerializeMessage(MakeMessage("state.sync", payload)),
            R"({"payload":{"alpha":"可爱","mid":[true,null],"zeta":1},"type":"state.sync"})");
}

TEST(Messages, RepliesCarryTheRequestId) {
  EXPECT_EQ(SerializeMessage(MakeResultReply("ports.list", "r1", Json{{"ports", Json::array()}})),
            R"({"payload":{"ports":[],"requestId":"r1"},"type":"ports.list.result"})");
  EXPECT_EQ(SerializeMessage(MakeErrorReply("network.poll", "", "网络事件读取请求无效。")),
            R"({"payload":{"message":"网络事件读取请求无效。","requestId":""},"type":"network.poll.error"})");
}

TEST(Messages, InvalidUtf8CannotBeSerialised) {
  EXPECT_THROW(SerializeMessage(MakeMessage("app.error", Json{{"message", "\xC0\xAF"}})),
               Json::type_error);
}

}  // namespace
}  // namespace nubo
