#include <gtest/gtest.h>

#include <string>

#include "quillon/usb_tunnel.h"

TEST(QuillonUsbTunnel, FramesAndDescriptorsComeBackAsSent) {
  std::string stream = quillon::tunnel::Encode('I', "abc") + quillon::tunnel::StringRequest(0x0d, 0x0409);
  stream.pop_back();
  auto first = quillon::tunnel::TakeFrame(stream);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->type, 'I');
  EXPECT_EQ(first->payload, "abc");
  EXPECT_FALSE(quillon::tunnel::TakeFrame(stream));  // the request is not whole yet
  const std::string descriptor = quillon::tunnel::StringDescriptor("#220");
  EXPECT_EQ(quillon::tunnel::DescriptorText(descriptor), u"#220");
  EXPECT_FALSE(quillon::tunnel::DescriptorText(descriptor.substr(0, 5)));  // its length says 10
  const quillon::tunnel::Identity fuji{0x0001, 0x8000, "ATCL FOR UPS", "ATCL FOR UPS"};
  const auto identity = quillon::tunnel::ParseIdentity(quillon::tunnel::IdentityPayload(fuji));
  ASSERT_TRUE(identity);
  EXPECT_EQ(identity->vendor, 0x0001);
  EXPECT_EQ(identity->product, 0x8000);
  EXPECT_EQ(identity->manufacturer, "ATCL FOR UPS");
  EXPECT_EQ(identity->productName, "ATCL FOR UPS");
  EXPECT_FALSE(quillon::tunnel::ParseIdentity(std::string("\x01\x00\x00\x00MEC", 7)));  // no 0 between the strings
}
