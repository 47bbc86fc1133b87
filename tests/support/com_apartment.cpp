// Linked into test programs that declare STA: their tests run in a single-threaded apartment,
// like the component's automation calls.
#include <gtest/gtest.h>

#include <objbase.h>

namespace {

class ComApartment : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  }
  void TearDown() override { CoUninitialize(); }
};

::testing::Environment* const apartment = ::testing::AddGlobalTestEnvironment(new ComApartment);

}  // namespace
