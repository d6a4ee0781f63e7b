// How a page call's arguments are carried between the page's process and
// the window as GVariants.
#include <gtest/gtest.h>

#include "app/web/bridge_message.h"
#include "app/web/glib_ptr.h"

namespace orbo {
namespace {

TEST(BridgeMessageTest, CallArgsKeepTypesAndHolesAcrossTheMessage) {
  const CallArgs args{std::nullopt, true, int32_t{-5},
                      std::string("a\x02"
                                  "b"),
                      2.5};
  GVariantPtr encoded(g_variant_ref_sink(EncodeCallArgs(args)));
  EXPECT_EQ(DecodeCallArgs(encoded.get()), args);

  GVariantPtr empty(g_variant_ref_sink(EncodeCallArgs({})));
  EXPECT_TRUE(DecodeCallArgs(empty.get()).empty());
}

TEST(BridgeMessageTest, UnexpectedParametersDecodeSafely) {
  EXPECT_TRUE(DecodeCallArgs(nullptr).empty());
  GVariantPtr text(g_variant_ref_sink(g_variant_new_string("12")));
  EXPECT_TRUE(DecodeCallArgs(text.get()).empty());
  // A tuple of plain values (no variant wrapping) and of foreign types.
  GVariantPtr plain(g_variant_ref_sink(g_variant_new("(sx)", "12", gint64{3})));
  EXPECT_EQ(DecodeCallArgs(plain.get()), (CallArgs{std::string("12"), std::nullopt}));
}

TEST(BridgeMessageTest, ExtensionConfigCarriesAnyPathBytes) {
  ExtensionConfig config{"/tmp/app\xff dir", "https://cloud.example/monitor"};
  GVariantPtr encoded(g_variant_ref_sink(EncodeExtensionConfig(config)));
  ExtensionConfig decoded;
  ASSERT_TRUE(DecodeExtensionConfig(encoded.get(), &decoded));
  EXPECT_EQ(decoded.appDir, config.appDir);
  EXPECT_EQ(decoded.monitorUrl, config.monitorUrl);

  GVariantPtr wrong(g_variant_ref_sink(g_variant_new_string("/tmp")));
  EXPECT_FALSE(DecodeExtensionConfig(wrong.get(), &decoded));
  EXPECT_FALSE(DecodeExtensionConfig(nullptr, &decoded));
}

}  // namespace
}  // namespace orbo
