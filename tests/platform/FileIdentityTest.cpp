#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/FileIdentity.h"
#include "support/TempDir.h"

namespace tarnel {
namespace {

TEST(FileIdentityTest, OneFileUnderEveryNameAndLinkButNoOther) {
  test::TempDir dir;
  const std::string module = dir.Write("Module1.bas", "x");
  const std::string other = dir.Write("Module2.bas", "x");
  ASSERT_EQ(::link(module.c_str(), dir.File("hard.bas").c_str()), 0);
  ASSERT_EQ(::symlink(module.c_str(), dir.File("soft.bas").c_str()), 0);

  const std::optional<FileIdentity> id = IdentityOf(module);
  ASSERT_TRUE(id.has_value());
  EXPECT_EQ(IdentityOf(dir.File("hard.bas")), id);
  EXPECT_EQ(IdentityOf(dir.File("soft.bas")), id);
  EXPECT_EQ(IdentityOf(dir.Path() + "./sub/../Module1.bas"), std::nullopt);  // no folder "sub"
  EXPECT_EQ(IdentityOf(dir.Path() + "./Module1.bas"), id);
  EXPECT_NE(IdentityOf(other), id);
  EXPECT_EQ(IdentityOf(dir.File("missing.bas")), std::nullopt);
  EXPECT_EQ(IdentityOf(""), std::nullopt);
}

}  // namespace
}  // namespace tarnel
