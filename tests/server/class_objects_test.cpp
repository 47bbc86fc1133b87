// QvModCat2.dll as COM loads it: class objects, DllCanUnloadNow, aggregation and the module
// object's interface identities, through the DLL's own exports.
#include "server_test_support.h"

#include "common/bstr.h"
#include "common/com_ref.h"
#include "common/unique_handle.h"
#include "server/class_ids.h"

#include "qvmodcat.h"

#include <gtest/gtest.h>

#include <objbase.h>

namespace {

using GetClassObjectFunction = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowFunction = HRESULT(STDAPICALLTYPE*)();

class ClassObjects : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitialize(nullptr);
    library_.Reset(LoadLibraryA(BinFile("QvModCat2.dll").c_str()));
    ASSERT_TRUE(library_);
    getClassObject_ = reinterpret_cast<GetClassObjectFunction>(
        reinterpret_cast<void*>(GetProcAddress(library_.Get(), "DllGetClassObject")));
    canUnloadNow_ = reinterpret_cast<CanUnloadNowFunction>(
        reinterpret_cast<void*>(GetProcAddress(library_.Get(), "DllCanUnloadNow")));
    ASSERT_NE(getClassObject_, nullptr);
    ASSERT_NE(canUnloadNow_, nullptr);
  }
  void TearDown() override {
    library_.Reset();
    CoUninitialize();
  }

  ComRef<IClassFactory> ModuleFactory() {
    ComRef<IClassFactory> factory;
    EXPECT_EQ(S_OK, getClassObject_(kClsidMergeModule2, IID_IClassFactory, factory.PutVoid()));
    return factory;
  }
  ComRef<IMergeModule2> NewModule() {
    ComRef<IMergeModule2> module;
    EXPECT_EQ(S_OK, ModuleFactory()->CreateInstance(nullptr, __uuidof(IMergeModule2),
                                                    module.PutVoid()));
    return module;
  }

  LoadedLibrary library_;
  GetClassObjectFunction getClassObject_ = nullptr;
  CanUnloadNowFunction canUnloadNow_ = nullptr;
};

// An outer object that counts the calls its inner object delegates to it.
class CountingOuter final : public IUnknown {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    ++queries;
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown) {
      *object = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    return inner ? inner->QueryInterface(iid, object) : E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++count; }
  STDMETHODIMP_(ULONG) Release() override { return --count; }

  ULONG count = 1;
  int queries = 0;
  IUnknown* inner = nullptr;
};

TEST_F(ClassObjects, UnloadingFollowsObjectsFactoriesAndServerLocks) {
  EXPECT_EQ(S_OK, canUnloadNow_());
  {
    ComRef<IClassFactory> factory = ModuleFactory();
    EXPECT_EQ(S_FALSE, canUnloadNow_()) << "a factory held by a client keeps the library";
  }
  EXPECT_EQ(S_OK, canUnloadNow_()) << "the cached factory alone does not keep the library";
  {
    ComRef<IMergeModule2> module = NewModule();
    EXPECT_EQ(S_FALSE, canUnloadNow_()) << "a live object keeps the library";
    ComRef<IDispatch> dialogs;
    EXPECT_EQ(E_UNEXPECTED, module->get_Dialogs(dialogs.Put()));
  }
  EXPECT_EQ(S_OK, canUnloadNow_());

  ComRef<IClassFactory> factory = ModuleFactory();
  EXPECT_EQ(S_OK, factory->LockServer(TRUE));
  factory.Reset();
  EXPECT_EQ(S_FALSE, canUnloadNow_()) << "an unmatched LockServer(TRUE) keeps the library";
  factory = ModuleFactory();
  EXPECT_EQ(S_OK, factory->LockServer(FALSE));
  factory.Reset();
  EXPECT_EQ(S_OK, canUnloadNow_());
}

TEST_F(ClassObjects, LoadedModuleCollectionsAndEnumeratorsAreCountedUntilReleased) {
  {
    ComRef<IMergeModule2> module = NewModule();
    UniqueBstr path(SysAllocString(ServerPackage("full_module.msm").c_str()));
    ASSERT_EQ(S_OK, module->Load(path.Get()));
    ComRef<IDispatch> files;
    ASSERT_EQ(S_OK, module->get_Files(files.Put()));
    ComRef<IFileCollection> collection;
    ASSERT_EQ(S_OK, files.QueryTo(__uuidof(IFileCollection), collection));
    ComRef<IUnknown> enumeratorUnknown;
    ASSERT_EQ(S_OK, collection->get__NewEnum(enumeratorUnknown.Put()));
    ComRef<IEnumVARIANT> enumerator;
    ASSERT_EQ(S_OK, enumeratorUnknown.QueryTo(IID_IEnumVARIANT, enumerator));
    module.Reset();
    files.Reset();
    collection.Reset();
    enumeratorUnknown.Reset();
    EXPECT_EQ(S_FALSE, canUnloadNow_()) << "the enumerator is still alive";
    VARIANT item;
    ULONG fetched = 0;
    ASSERT_EQ(S_OK, enumerator->Next(1, &item, &fetched))
        << "the enumerator outlives its collection";
    EXPECT_EQ(VT_DISPATCH, V_VT(&item));
    VariantClear(&item);
  }
  EXPECT_EQ(S_OK, canUnloadNow_());
}

TEST_F(ClassObjects, OneFactoryPerClassAndClearErrorsForOtherRequests) {
  ComRef<IClassFactory> first = ModuleFactory();
  ComRef<IClassFactory> second = ModuleFactory();
  EXPECT_EQ(first.Get(), second.Get());

  EXPECT_EQ(E_POINTER, getClassObject_(kClsidMergeModule2, IID_IClassFactory, nullptr));
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, getClassObject_(IID_IDispatch, IID_IClassFactory, &object));
  EXPECT_EQ(nullptr, object);
  object = reinterpret_cast<void*>(1);
  EXPECT_EQ(E_NOINTERFACE, getClassObject_(kClsidMergeModule2, IID_IDispatch, &object));
  EXPECT_EQ(nullptr, object);
}

TEST_F(ClassObjects, ModuleAnswersItsThreeIdentifiersWithOneInterface) {
  ComRef<IMergeModule2> module = NewModule();
  ComRef<IUnknown> first, second, third, dispatch, identity, again;
  ASSERT_EQ(S_OK, module.QueryTo(kIidMergeModule2Alt1, first));
  ASSERT_EQ(S_OK, module.QueryTo(kIidMergeModule2Alt2, second));
  ASSERT_EQ(S_OK, module.QueryTo(__uuidof(IMergeModule2), third));
  ASSERT_EQ(S_OK, module.QueryTo(IID_IDispatch, dispatch));
  EXPECT_EQ(first.Get(), second.Get());
  EXPECT_EQ(first.Get(), third.Get());
  EXPECT_EQ(first.Get(), dispatch.Get());
  ASSERT_EQ(S_OK, module.QueryTo(IID_IUnknown, identity));
  ASSERT_EQ(S_OK, third.QueryTo(IID_IUnknown, again));
  EXPECT_EQ(identity.Get(), again.Get());

  ComRef<ISupportErrorInfo> errors;
  ASSERT_EQ(S_OK, module.QueryTo(IID_ISupportErrorInfo, errors));
  EXPECT_EQ(S_OK, errors->InterfaceSupportsErrorInfo(kIidMergeModule2Alt1));
  EXPECT_EQ(S_FALSE, errors->InterfaceSupportsErrorInfo(kIidMergeModule2Alt2));
  EXPECT_EQ(S_FALSE, errors->InterfaceSupportsErrorInfo(__uuidof(IMergeModule2)));
  EXPECT_EQ(S_FALSE, errors->InterfaceSupportsErrorInfo(IID_IDispatch));

  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(E_NOINTERFACE, module->QueryInterface(IID_IClassFactory, &none));
  EXPECT_EQ(nullptr, none);
  EXPECT_EQ(E_POINTER, module->QueryInterface(IID_IUnknown, nullptr));
}

TEST_F(ClassObjects, AggregationHandsOutTheInnerUnknownAndDelegatesToTheOuterObject) {
  ComRef<IClassFactory> factory = ModuleFactory();
  CountingOuter outer;

  void* refused = reinterpret_cast<void*>(1);
  EXPECT_EQ(CLASS_E_NOAGGREGATION,
            factory->CreateInstance(&outer, __uuidof(IMergeModule2), &refused));
  EXPECT_EQ(nullptr, refused);
  EXPECT_EQ(E_POINTER, factory->CreateInstance(&outer, IID_IUnknown, nullptr));

  IUnknown* inner = nullptr;
  ASSERT_EQ(S_OK, factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner)));
  outer.inner = inner;
  EXPECT_EQ(S_FALSE, canUnloadNow_());

  IMergeModule2* module = nullptr;
  ASSERT_EQ(S_OK,
            inner->QueryInterface(__uuidof(IMergeModule2), reinterpret_cast<void**>(&module)));
  EXPECT_EQ(2u, outer.count) << "the interface's reference went to the outer object";
  module->AddRef();
  EXPECT_EQ(3u, outer.count);
  module->Release();

  IUnknown* identity = nullptr;
  ASSERT_EQ(S_OK, module->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)));
  EXPECT_EQ(static_cast<IUnknown*>(&outer), identity) << "the outer object is the identity";
  identity->Release();
  const int queriesBefore = outer.queries;
  ComRef<ISupportErrorInfo> errors;
  EXPECT_EQ(S_OK, module->QueryInterface(IID_ISupportErrorInfo, errors.PutVoid()));
  EXPECT_EQ(queriesBefore + 1, outer.queries) << "queries go through the outer object";
  errors.Reset();
  module->Release();
  EXPECT_EQ(1u, outer.count);

  outer.inner = nullptr;
  EXPECT_EQ(0u, inner->Release());
  factory.Reset();
  EXPECT_EQ(S_OK, canUnloadNow_());
}

}  // namespace
