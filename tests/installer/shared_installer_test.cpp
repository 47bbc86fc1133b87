// The process-wide installer automation object: created by the first record, shared while
// records live, released by the last one.
#include "common/com_exception.h"
#include "installer/shared_installer.h"
#include "module/module_record.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace {

// References on the object besides the caller's own `observer` reference.
ULONG OtherReferences(const ComRef<IDispatch>& observer) {
  observer->AddRef();
  return observer->Release() - 1;
}

class SharedInstallerTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(SharedInstaller::RecordCount(), 0u) << "a record leaked"; }
};

TEST_F(SharedInstallerTest, TwoRecordsShareOneObjectUntilTheLastGoes) {
  const unsigned long created = SharedInstaller::CreationCount();
  auto first = std::make_unique<ModuleRecord>();
  auto second = std::make_unique<ModuleRecord>();
  EXPECT_EQ(SharedInstaller::CreationCount(), created + 1);
  EXPECT_EQ(SharedInstaller::RecordCount(), 2u);
  const ComRef<IDispatch> observer = SharedInstaller::Get();
  ASSERT_TRUE(observer);

  first.reset();
  EXPECT_EQ(SharedInstaller::Get().Get(), observer.Get()) << "kept while a record lives";
  second.reset();
  EXPECT_FALSE(SharedInstaller::Get()) << "released with the last record";
  EXPECT_EQ(OtherReferences(observer), 0u);

  ModuleRecord third;
  EXPECT_EQ(SharedInstaller::CreationCount(), created + 2) << "the next record creates anew";
  EXPECT_NE(SharedInstaller::Get().Get(), observer.Get());
}

TEST_F(SharedInstallerTest, RecordsGoingInAnyOrderReleaseTheObjectExactlyOnce) {
  auto a = std::make_unique<ModuleRecord>();
  const ComRef<IDispatch> observer = SharedInstaller::Get();
  const ULONG heldByShare = OtherReferences(observer);
  auto b = std::make_unique<ModuleRecord>();
  auto c = std::make_unique<ModuleRecord>();
  EXPECT_EQ(OtherReferences(observer), heldByShare) << "records do not take references of their own";
  b.reset();
  a.reset();
  EXPECT_EQ(SharedInstaller::Get().Get(), observer.Get());
  c.reset();
  EXPECT_EQ(OtherReferences(observer), 0u);
  EXPECT_EQ(SharedInstaller::RecordCount(), 0u);
}

TEST_F(SharedInstallerTest, FailedCreationLeavesTheCountAsItWas) {
  const unsigned long created = SharedInstaller::CreationCount();
  // A thread that never joined an apartment cannot create the object.
  HRESULT failure = S_OK;
  std::thread([&failure] {
    try {
      ModuleRecord record;
    } catch (const com_exception& error) {
      failure = error.Code();
    }
  }).join();
  EXPECT_LT(failure, 0);
  EXPECT_EQ(SharedInstaller::RecordCount(), 0u);
  EXPECT_EQ(SharedInstaller::CreationCount(), created);
  EXPECT_FALSE(SharedInstaller::Get());

  ModuleRecord later;
  EXPECT_EQ(SharedInstaller::RecordCount(), 1u);
  EXPECT_TRUE(SharedInstaller::Get()) << "a later record still creates the object";
}

TEST_F(SharedInstallerTest, ReplacementIsUndoneWhileRecordsLive) {
  ModuleRecord record;
  const ComRef<IDispatch> shared = SharedInstaller::Get();
  {
    SharedInstaller::Replacement replacement(nullptr);
    EXPECT_FALSE(SharedInstaller::Get());
  }
  EXPECT_EQ(SharedInstaller::Get().Get(), shared.Get());
}

}  // namespace
