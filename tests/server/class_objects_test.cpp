// QvModCat2.dll as COM loads it, through its own exports: class objects, DllCanUnloadNow, the
// interfaces each class answers, and aggregation.
#include "class_ids.h"
#include "common/bstr.h"
#include "common/com_ref.h"
#include "common/unique_handle.h"
#include "support/com_getters.h"
#include "support/test_support.h"

#include "qvmodcat.h"

#include <gtest/gtest.h>

namespace {

class ClassObjects : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(library_) << "QvModCat2.dll beside the test program";
    getClassObject_ = reinterpret_cast<decltype(&DllGetClassObject)>(
        reinterpret_cast<void*>(GetProcAddress(library_.Get(), "DllGetClassObject")));
    canUnloadNow_ = reinterpret_cast<decltype(&DllCanUnloadNow)>(
        reinterpret_cast<void*>(GetProcAddress(library_.Get(), "DllCanUnloadNow")));
    ASSERT_TRUE(getClassObject_ && canUnloadNow_);
  }

  ComRef<IClassFactory> Factory(const CLSID& clsid = kClsidMergeModule2) {
    ComRef<IClassFactory> factory;
    EXPECT_EQ(S_OK, getClassObject_(clsid, IID_IClassFactory, factory.PutVoid()));
    return factory;
  }
  template <class Interface>
  ComRef<Interface> Make(const CLSID& clsid = kClsidMergeModule2) {
    ComRef<Interface> object;
    EXPECT_EQ(S_OK, Factory(clsid)->CreateInstance(nullptr, __uuidof(Interface),
                                                   object.PutVoid()));
    return object;
  }

  LoadedLibrary library_{LoadLibraryA("QvModCat2.dll")};
  decltype(&DllGetClassObject) getClassObject_ = nullptr;
  decltype(&DllCanUnloadNow) canUnloadNow_ = nullptr;
};

TEST_F(ClassObjects, UnloadingWaitsForEveryObjectAndServerLock) {
  ComRef<IClassFactory> factory = Factory();
  EXPECT_EQ(S_FALSE, canUnloadNow_()) << "a factory held by a client";
  factory.Reset();

  ComRef<IEnumVARIANT> enumerator;
  {
    ComRef<IMergeModule2> module = Make<IMergeModule2>();
    UniqueBstr path(SysAllocString(FixturePackage("server_packages", "full_module").c_str()));
    ASSERT_EQ(S_OK, module->Load(path.Get()));
    const auto files = GetAs<IFileCollection>(module.Get(), &IMergeModule2::get_Files);
    ASSERT_TRUE(files);
    enumerator = GetAs<IEnumVARIANT>(files.Get(), &IFileCollection::get__NewEnum);
    ASSERT_TRUE(enumerator);
  }
  EXPECT_EQ(S_FALSE, canUnloadNow_()) << "an enumerator outliving its module and collection";
  enumerator.Reset();
  EXPECT_EQ(S_OK, canUnloadNow_());

  ASSERT_EQ(S_OK, Factory()->LockServer(TRUE));
  EXPECT_EQ(S_FALSE, canUnloadNow_()) << "an unmatched LockServer(TRUE)";
  ASSERT_EQ(S_OK, Factory()->LockServer(FALSE));
  EXPECT_EQ(S_OK, canUnloadNow_());
}

// Only the cached factories stay: an object that could not be handed out is gone.
TEST_F(ClassObjects, AFailedCreationOfAnyClassLeavesTheLibraryUnloadable) {
  const StandInState state(L"class-objects");  // the catalogs' companion answers from it
  void* object = nullptr;
  for (const CLSID* clsid :
       {&kClsidMMCatalog, &kClsidMMCatalogPro, &kClsidMergeModule2, &kClsidMMCatalogManager}) {
    EXPECT_EQ(E_NOINTERFACE, Factory(*clsid)->CreateInstance(nullptr, IID_IClassFactory, &object));
    EXPECT_EQ(S_OK, canUnloadNow_()) << std::hex << clsid->Data1;
  }
}

TEST_F(ClassObjects, OneFactoryPerClassAndClearAnswersToOtherRequests) {
  EXPECT_EQ(Factory().Get(), Factory().Get());
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, getClassObject_(IID_IDispatch, IID_IClassFactory, &object));
  EXPECT_EQ(nullptr, object);
  EXPECT_EQ(E_NOINTERFACE, getClassObject_(kClsidMergeModule2, IID_IDispatch, &object));
  EXPECT_EQ(E_POINTER, getClassObject_(kClsidMergeModule2, IID_IClassFactory, nullptr));
}

TEST_F(ClassObjects, CatalogManagerRefusesIDispatchButDispatchesThroughItsInterface) {
  ComRef<IMMCatalogManager> manager = Make<IMMCatalogManager>(kClsidMMCatalogManager);
  ASSERT_TRUE(manager);
  ComRef<IDispatch> dispatch;
  EXPECT_EQ(E_NOINTERFACE, manager.QueryTo(IID_IDispatch, dispatch));
  wchar_t name[] = L"getcatalog";
  LPOLESTR names[] = {name};
  DISPID id = 0;
  ASSERT_EQ(S_OK, manager->GetIDsOfNames(IID_NULL, names, 1, 0, &id));
  EXPECT_EQ(1, id);
  ComRef<ISupportErrorInfo> errors;
  ASSERT_EQ(S_OK, manager.QueryTo(IID_ISupportErrorInfo, errors));
  EXPECT_EQ(S_OK, errors->InterfaceSupportsErrorInfo(__uuidof(IMMCatalogManager)));
}

TEST_F(ClassObjects, MergeModule2AnswersItsThreeIdentifiersWithOnePointer) {
  const ComRef<IMergeModule2> module = Make<IMergeModule2>();
  ComRef<IUnknown> same, identity, again;
  for (const IID* iid : {&kIidMergeModule2Alt1, &kIidMergeModule2Alt2, &__uuidof(IMergeModule2),
                         &IID_IDispatch}) {
    ASSERT_EQ(S_OK, module.QueryTo(*iid, same));
    EXPECT_EQ(static_cast<IUnknown*>(module.Get()), same.Get()) << std::hex << iid->Data1;
  }
  ASSERT_EQ(S_OK, module.QueryTo(IID_IUnknown, identity));
  ASSERT_EQ(S_OK, same.QueryTo(IID_IUnknown, again));
  EXPECT_EQ(identity.Get(), again.Get());
  EXPECT_EQ(E_NOINTERFACE, module.QueryTo(IID_IClassFactory, again));
  EXPECT_FALSE(again);
}

// An outer object that counts the references its inner object passes on to it.
class CountingOuter final : public IUnknown {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (iid != IID_IUnknown) return inner ? inner->QueryInterface(iid, object) : E_NOINTERFACE;
    *object = this;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++count; }
  STDMETHODIMP_(ULONG) Release() override { return --count; }

  ULONG count = 1;
  IUnknown* inner = nullptr;
};

TEST_F(ClassObjects, AggregatedObjectsHandOutTheInnerUnknownAndDelegateToTheOuter) {
  ComRef<IClassFactory> factory = Factory();
  CountingOuter outer;
  void* refused = reinterpret_cast<void*>(1);
  EXPECT_EQ(CLASS_E_NOAGGREGATION,
            factory->CreateInstance(&outer, __uuidof(IMergeModule2), &refused))
      << "an aggregated object is asked for its IUnknown only";
  EXPECT_EQ(nullptr, refused);

  ASSERT_EQ(S_OK, factory->CreateInstance(&outer, IID_IUnknown,
                                          reinterpret_cast<void**>(&outer.inner)));
  {
    ComRef<IMergeModule2> module;
    ASSERT_EQ(S_OK, outer.inner->QueryInterface(__uuidof(IMergeModule2), module.PutVoid()));
    EXPECT_EQ(2u, outer.count) << "the interface's reference went to the outer object";
    ComRef<IUnknown> identity;
    ASSERT_EQ(S_OK, module.QueryTo(IID_IUnknown, identity));
    EXPECT_EQ(static_cast<IUnknown*>(&outer), identity.Get()) << "the outer object is the identity";
  }
  EXPECT_EQ(1u, outer.count);
  EXPECT_EQ(0u, outer.inner->Release());
  factory.Reset();
  EXPECT_EQ(S_OK, canUnloadNow_());
}

}  // namespace
