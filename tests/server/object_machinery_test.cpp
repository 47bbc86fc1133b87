// The object machinery every class is built from: interface tables, instance creation with
// Initialize, the module lock count, and dispatch from the registered type library.
#include "server_test_support.h"

#include "common/bstr.h"
#include "common/com_ref.h"
#include "server/com_object.h"
#include "server/dispatch.h"
#include "server/error_reporting.h"
#include "server/server_module.h"

#include "qvmodcat.h"

#include <gtest/gtest.h>

#include <objbase.h>

namespace {

// Shaped like the catalog manager: its own interface and ISupportErrorInfo, no IDispatch,
// although the interface itself is dual.
class ManagerShaped : public DispatchImpl<IMMCatalogManager>,
                      public ISupportErrorInfo,
                      public ObjectLock {
 public:
  static const QueryTable<ManagerShaped>& Interfaces() {
    static constexpr InterfaceEntry<ManagerShaped> entries[] = {
        {&__uuidof(IMMCatalogManager), &InterfaceOf<ManagerShaped, IMMCatalogManager>},
        {&IID_ISupportErrorInfo, &InterfaceOf<ManagerShaped, ISupportErrorInfo>}};
    static constexpr QueryTable<ManagerShaped> table{entries};
    return table;
  }
  static const ErrorReporter& Reporter() { return MMCatalogManagerErrors; }

  STDMETHODIMP GetCatalog(long projectType, IUnknown** catalog) override {
    if (!catalog) return E_INVALIDARG;
    lastProjectType = projectType;
    *catalog = nullptr;
    return S_OK;
  }
  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override {
    return iid == __uuidof(IMMCatalogManager) ? S_OK : S_FALSE;
  }
  long lastProjectType = 0;
};

// A class with an Initialize step whose outcome the test chooses.
class WithInitialize : public ManagerShaped {
 public:
  explicit WithInitialize(HRESULT outcome) : outcome_(outcome) {}
  HRESULT Initialize() { return outcome_; }

 private:
  HRESULT outcome_;
};

class ObjectMachinery : public ::testing::Test {
 protected:
  void SetUp() override { CoInitialize(nullptr); }
  void TearDown() override { CoUninitialize(); }
};

TEST_F(ObjectMachinery, TableWithoutDispatchRefusesIDispatchWhileItsDualInterfaceDispatches) {
  const LONG before = Server().LockCount();
  ComRef<IMMCatalogManager> manager = MakeComponentObject<ManagerShaped, IMMCatalogManager>();
  EXPECT_EQ(before + 1, Server().LockCount());

  void* dispatch = reinterpret_cast<void*>(1);
  EXPECT_EQ(E_NOINTERFACE, manager->QueryInterface(IID_IDispatch, &dispatch));
  EXPECT_EQ(nullptr, dispatch);

  wchar_t name[] = L"GetCatalog";
  LPOLESTR names[] = {name};
  DISPID id = 0;
  ASSERT_EQ(S_OK, manager->GetIDsOfNames(IID_NULL, names, 1, 0, &id));
  EXPECT_EQ(1, id);
  VARIANT argument;
  VariantInit(&argument);
  V_VT(&argument) = VT_I4;
  V_I4(&argument) = 9;
  DISPPARAMS params{&argument, nullptr, 1, 0};
  VARIANT result;
  VariantInit(&result);
  ASSERT_EQ(S_OK, manager->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr,
                                  nullptr));
  EXPECT_EQ(9, ImplementationOf<ManagerShaped>(manager.Get())->lastProjectType);
  VariantClear(&result);

  manager.Reset();
  EXPECT_EQ(before, Server().LockCount());
}

TEST_F(ObjectMachinery, NamesResolveFromTheCacheAndOtherwiseFromTheTypeInformation) {
  ComRef<IMMCatalogManager> manager = MakeComponentObject<ManagerShaped, IMMCatalogManager>();
  wchar_t exact[] = L"GetCatalog", otherCase[] = L"getcatalog", unknown[] = L"NoSuchMember";
  LPOLESTR names[] = {exact};
  DISPID id = 0;
  ASSERT_EQ(S_OK, manager->GetIDsOfNames(IID_NULL, names, 1, 0, &id));
  EXPECT_EQ(1, id);
  names[0] = otherCase;
  id = 0;
  ASSERT_EQ(S_OK, manager->GetIDsOfNames(IID_NULL, names, 1, 0, &id));
  EXPECT_EQ(1, id) << "a spelling the cache lacks is resolved by the type information";
  names[0] = unknown;
  EXPECT_EQ(DISP_E_UNKNOWNNAME, manager->GetIDsOfNames(IID_NULL, names, 1, 0, &id));
  EXPECT_EQ(DISP_E_UNKNOWNINTERFACE, manager->GetIDsOfNames(IID_IUnknown, names, 1, 0, &id));

  UINT count = 0;
  EXPECT_EQ(S_OK, manager->GetTypeInfoCount(&count));
  EXPECT_EQ(1u, count);
  ComRef<ITypeInfo> info;
  ASSERT_EQ(S_OK, manager->GetTypeInfo(7, 0, info.Put())) << "the index is ignored";
  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(S_OK, info->GetTypeAttr(&attributes));
  EXPECT_EQ(__uuidof(IMMCatalogManager), attributes->guid);
  info->ReleaseTypeAttr(attributes);
  EXPECT_EQ(E_POINTER, manager->GetTypeInfo(0, 0, nullptr));
}

TEST_F(ObjectMachinery, InitializeDecidesWhetherTheObjectIsHandedOut) {
  const LONG before = Server().LockCount();
  ComRef<IMMCatalogManager> made;
  EXPECT_EQ(S_OK, CreateComponentInstance<WithInitialize>(nullptr, __uuidof(IMMCatalogManager),
                                                          made.PutVoid(), S_OK));
  EXPECT_TRUE(made);
  made.Reset();

  void* failed = reinterpret_cast<void*>(1);
  EXPECT_EQ(E_ACCESSDENIED, CreateComponentInstance<WithInitialize>(
                                nullptr, __uuidof(IMMCatalogManager), &failed, E_ACCESSDENIED));
  EXPECT_EQ(nullptr, failed);
  EXPECT_EQ(before, Server().LockCount()) << "the failed object was destroyed";

  EXPECT_EQ(E_NOINTERFACE, CreateComponentInstance<WithInitialize>(nullptr, IID_IDispatch,
                                                                   &failed, S_OK));
  EXPECT_EQ(before, Server().LockCount());
  EXPECT_EQ(E_POINTER, CreateComponentInstance<WithInitialize>(nullptr, IID_IUnknown, nullptr,
                                                               S_OK));
}

}  // namespace
