// The module detail collections and their enumerators: index resolution, keys, Remove, and
// the enumerator's Next / Skip / Reset / Clone.
#include "common/bstr.h"
#include "common/com_ref.h"
#include "common/variant.h"
#include "module/module_detail_collection.h"
#include "module/module_detail_items.h"
#include "server/server_module.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <string>
#include <vector>

namespace {

using DialogCollection = ModuleDetailCollection<IDialogCollection>;

class DetailCollections : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitialize(nullptr);
    lockCountBefore_ = Server().LockCount();
  }
  void TearDown() override {
    EXPECT_EQ(lockCountBefore_, Server().LockCount()) << "every object was destroyed";
    CoUninitialize();
  }

  // A collection of dialog items named by `names`, keyed 1, 2, ... or by `keys`.
  ComRef<IDialogCollection> Make(const std::vector<const wchar_t*>& names,
                                 const std::vector<const wchar_t*>& keys = {}) {
    ComRef<IDialogCollection> collection =
        MakeComponentObject<DialogCollection, IDialogCollection>();
    for (size_t i = 0; i < names.size(); ++i) {
      ComRef<IDialogItem> item = MakeComponentObject<DialogItem, IDialogItem>(WideString(names[i]));
      if (keys.empty())
        Impl(collection)->AddNext(item.Get());
      else
        Impl(collection)->Add(WideString(keys[i]), item.Get());
    }
    return collection;
  }
  static DialogCollection* Impl(const ComRef<IDialogCollection>& collection) {
    return ImplementationOf<DialogCollection>(collection.Get());
  }
  static std::wstring NameOf(IDispatch* item) {
    ComRef<IDialogItem> dialog;
    if (!item || FAILED(item->QueryInterface(__uuidof(IDialogItem), dialog.PutVoid()))) return L"?";
    UniqueBstr name;
    dialog->get_Name(name.Put());
    return name.Get() ? name.Get() : L"";
  }
  // Item(index) as a name, or the failure code as text.
  static std::wstring Lookup(IDialogCollection* collection, VARIANT index) {
    ComRef<IDispatch> item;
    const HRESULT result = collection->Item(index, item.Put());
    if (FAILED(result)) return L"error " + std::to_wstring(result);
    return NameOf(item.Get());
  }
  static VARIANT Integer(VARTYPE type, long value) {
    VARIANT index;
    VariantInit(&index);
    V_VT(&index) = type;
    if (type == VT_I2) V_I2(&index) = static_cast<SHORT>(value);
    if (type == VT_UI2) V_UI2(&index) = static_cast<USHORT>(value);
    if (type == VT_I4) V_I4(&index) = value;
    if (type == VT_UI4) V_UI4(&index) = static_cast<ULONG>(value);
    return index;
  }
  static ComRef<IEnumVARIANT> EnumeratorOf(IDialogCollection* collection) {
    ComRef<IUnknown> unknown;
    EXPECT_EQ(S_OK, collection->get__NewEnum(unknown.Put()));
    ComRef<IEnumVARIANT> enumerator;
    EXPECT_EQ(S_OK, unknown.QueryTo(IID_IEnumVARIANT, enumerator));
    return enumerator;
  }
  // The names that Next(count) delivers, and its result.
  static std::vector<std::wstring> Fetch(IEnumVARIANT* enumerator, ULONG count,
                                         HRESULT* result) {
    std::vector<VARIANT> slots(count);
    ULONG fetched = 99;
    *result = enumerator->Next(count, slots.data(), &fetched);
    std::vector<std::wstring> names;
    for (ULONG i = 0; i < fetched && i < count; ++i) {
      EXPECT_EQ(VT_DISPATCH, V_VT(&slots[i]));
      names.push_back(NameOf(V_DISPATCH(&slots[i])));
      VariantClear(&slots[i]);
    }
    EXPECT_EQ(names.size(), fetched);
    return names;
  }

  LONG lockCountBefore_ = 0;
};

using Names = std::vector<std::wstring>;

TEST_F(DetailCollections, PositionsRangeFromOneToCount) {
  ComRef<IDialogCollection> collection = Make({L"A", L"B", L"C"});
  long count = 0;
  ASSERT_EQ(S_OK, collection->get_Count(&count));
  EXPECT_EQ(3, count);
  EXPECT_EQ(E_POINTER, collection->get_Count(nullptr));
  for (VARTYPE type : {VT_I2, VT_I4, VT_UI2, VT_UI4}) {
    EXPECT_EQ(L"A", Lookup(collection.Get(), Integer(type, 1))) << type;
    EXPECT_EQ(L"C", Lookup(collection.Get(), Integer(type, 3))) << "Count is the last, " << type;
    EXPECT_EQ(L"error " + std::to_wstring(E_INVALIDARG),
              Lookup(collection.Get(), Integer(type, 0)));
    EXPECT_EQ(L"error " + std::to_wstring(E_INVALIDARG),
              Lookup(collection.Get(), Integer(type, 4)));
  }
  EXPECT_EQ(L"error " + std::to_wstring(E_INVALIDARG),
            Lookup(collection.Get(), Integer(VT_I4, -1)));

  ComRef<IDispatch> item;
  EXPECT_EQ(E_POINTER, collection->Item(Integer(VT_I4, 1), nullptr));
}

TEST_F(DetailCollections, OtherIndexesAreKeysAsText) {
  ComRef<IDialogCollection> collection = Make({L"A", L"B", L"C"});
  StringVariant two(L"2");
  EXPECT_EQ(L"B", Lookup(collection.Get(), two.Get()));
  VARIANT real;
  VariantInit(&real);
  V_VT(&real) = VT_R8;
  V_R8(&real) = 2.0;
  EXPECT_EQ(L"B", Lookup(collection.Get(), real)) << "2.0 becomes the text 2";
  V_R8(&real) = 2.5;
  EXPECT_EQ(L"error " + std::to_wstring(E_INVALIDARG), Lookup(collection.Get(), real));
  StringVariant missing(L"4");
  EXPECT_EQ(L"error " + std::to_wstring(E_INVALIDARG), Lookup(collection.Get(), missing.Get()));

  // By reference, as script engines pass variables.
  VARIANT number = Integer(VT_I2, 3);
  VARIANT byReference;
  V_VT(&byReference) = VT_I2 | VT_BYREF;
  V_I2REF(&byReference) = &V_I2(&number);
  EXPECT_EQ(L"C", Lookup(collection.Get(), byReference));
  VARIANT variantReference;
  V_VT(&variantReference) = VT_VARIANT | VT_BYREF;
  V_VARIANTREF(&variantReference) = &number;
  EXPECT_EQ(L"C", Lookup(collection.Get(), variantReference));
  VARIANT empty;
  VariantInit(&empty);
  EXPECT_EQ(L"error " + std::to_wstring(E_INVALIDARG), Lookup(collection.Get(), empty));
}

TEST_F(DetailCollections, KeysIgnoreTheCaseOfAToZOnly) {
  ComRef<IDialogCollection> collection =
      Make({L"first", L"second", L"third"}, {L"Alpha", L"\u00c9t\u00e9", L"mIxEd_Z"});
  EXPECT_EQ(L"first", Lookup(collection.Get(), StringVariant(L"ALPHA").Get()));
  EXPECT_EQ(L"first", Lookup(collection.Get(), StringVariant(L"alpha").Get()));
  EXPECT_EQ(L"third", Lookup(collection.Get(), StringVariant(L"MiXeD_z").Get()));
  EXPECT_EQ(L"second", Lookup(collection.Get(), StringVariant(L"\u00c9T\u00e9").Get()));
  EXPECT_EQ(L"error " + std::to_wstring(E_INVALIDARG),
            Lookup(collection.Get(), StringVariant(L"\u00e9t\u00e9").Get()))
      << "letters outside A to Z compare exactly";

  // A key that differs only in case is the same key: the item is replaced in place.
  ComRef<IDialogItem> replacement =
      MakeComponentObject<DialogItem, IDialogItem>(WideString(L"replaced"));
  Impl(collection)->Add(WideString(L"ALPHA"), replacement.Get());
  long count = 0;
  collection->get_Count(&count);
  EXPECT_EQ(3, count);
  EXPECT_EQ(L"replaced", Lookup(collection.Get(), Integer(VT_I4, 1)));
}

TEST_F(DetailCollections, RemoveShiftsLaterPositionsAndKeepsKeys) {
  ComRef<IDialogCollection> collection = Make({L"A", L"B", L"C"}, {L"ka", L"kb", L"kc"});
  EXPECT_EQ(E_INVALIDARG, Impl(collection)->Remove(0));
  EXPECT_EQ(E_INVALIDARG, Impl(collection)->Remove(4));
  EXPECT_EQ(S_OK, Impl(collection)->Remove(2));
  long count = 0;
  collection->get_Count(&count);
  EXPECT_EQ(2, count);
  EXPECT_EQ(L"C", Lookup(collection.Get(), Integer(VT_I4, 2)));
  EXPECT_EQ(L"C", Lookup(collection.Get(), StringVariant(L"kc").Get()));
  EXPECT_EQ(L"error " + std::to_wstring(E_INVALIDARG),
            Lookup(collection.Get(), StringVariant(L"kb").Get()));
  EXPECT_EQ(L"A", Lookup(collection.Get(), StringVariant(L"KA").Get()));
}

TEST_F(DetailCollections, NextDeliversWhatIsLeftAndReportsAShortFetch) {
  ComRef<IDialogCollection> collection = Make({L"A", L"B", L"C"});
  ComRef<IEnumVARIANT> enumerator = EnumeratorOf(collection.Get());
  HRESULT result = E_FAIL;
  EXPECT_EQ(Names({L"A"}), Fetch(enumerator.Get(), 1, &result));
  EXPECT_EQ(S_OK, result);
  EXPECT_EQ(Names({L"B", L"C"}), Fetch(enumerator.Get(), 3, &result)) << "3 asked, 2 left";
  EXPECT_EQ(S_FALSE, result);
  EXPECT_EQ(Names(), Fetch(enumerator.Get(), 1, &result));
  EXPECT_EQ(S_FALSE, result);

  VARIANT slot;
  EXPECT_EQ(E_POINTER, enumerator->Next(1, nullptr, nullptr));
  EXPECT_EQ(E_POINTER, enumerator->Next(2, &slot, nullptr)) << "more than one needs a count";
  EXPECT_EQ(S_OK, enumerator->Reset());
  EXPECT_EQ(S_OK, enumerator->Next(1, &slot, nullptr)) << "one element needs no count";
  EXPECT_EQ(L"A", NameOf(V_DISPATCH(&slot)));
  VariantClear(&slot);
}

TEST_F(DetailCollections, SkipStopsAtTheEnd) {
  ComRef<IDialogCollection> collection = Make({L"A", L"B", L"C"});
  ComRef<IEnumVARIANT> enumerator = EnumeratorOf(collection.Get());
  EXPECT_EQ(S_OK, enumerator->Skip(2));
  HRESULT result = E_FAIL;
  EXPECT_EQ(Names({L"C"}), Fetch(enumerator.Get(), 1, &result));
  enumerator->Reset();
  EXPECT_EQ(S_FALSE, enumerator->Skip(5));
  EXPECT_EQ(Names(), Fetch(enumerator.Get(), 2, &result));
  EXPECT_EQ(S_FALSE, result);
  EXPECT_EQ(S_OK, enumerator->Reset());
  EXPECT_EQ(Names({L"A", L"B"}), Fetch(enumerator.Get(), 2, &result));
  EXPECT_EQ(S_OK, result);
}

TEST_F(DetailCollections, CloneContinuesIndependentlyFromTheSameElement) {
  ComRef<IDialogCollection> collection = Make({L"A", L"B", L"C", L"D"});
  ComRef<IEnumVARIANT> enumerator = EnumeratorOf(collection.Get());
  enumerator->Skip(1);
  ComRef<IEnumVARIANT> clone;
  ASSERT_EQ(S_OK, enumerator->Clone(clone.Put()));
  EXPECT_EQ(E_POINTER, enumerator->Clone(nullptr));
  HRESULT result = E_FAIL;
  EXPECT_EQ(Names({L"B", L"C"}), Fetch(clone.Get(), 2, &result));
  EXPECT_EQ(Names({L"B"}), Fetch(enumerator.Get(), 1, &result)) << "the original did not move";
  clone->Reset();
  EXPECT_EQ(Names({L"A"}), Fetch(clone.Get(), 1, &result));
  EXPECT_EQ(Names({L"C", L"D"}), Fetch(enumerator.Get(), 2, &result));
}

TEST_F(DetailCollections, EnumeratorKeepsItsCollectionAlive) {
  ComRef<IEnumVARIANT> enumerator;
  {
    ComRef<IDialogCollection> collection = Make({L"A", L"B"});
    enumerator = EnumeratorOf(collection.Get());
  }
  HRESULT result = E_FAIL;
  EXPECT_EQ(Names({L"A", L"B"}), Fetch(enumerator.Get(), 2, &result));
  EXPECT_EQ(S_OK, result);
}

TEST_F(DetailCollections, EmptyCollectionHasNothingToEnumerate) {
  ComRef<IDialogCollection> collection = Make({});
  long count = -1;
  collection->get_Count(&count);
  EXPECT_EQ(0, count);
  ComRef<IEnumVARIANT> enumerator = EnumeratorOf(collection.Get());
  HRESULT result = E_FAIL;
  EXPECT_EQ(Names(), Fetch(enumerator.Get(), 1, &result));
  EXPECT_EQ(S_FALSE, result);
  EXPECT_EQ(S_OK, enumerator->Skip(0));
}

TEST_F(DetailCollections, CollectionsAndItemsAnswerTheirOwnInterfaces) {
  ComRef<IDialogCollection> collection = Make({L"A"});
  ComRef<IUnknown> dispatch, errors, enumeration;
  EXPECT_EQ(S_OK, collection.QueryTo(IID_IDispatch, dispatch));
  EXPECT_EQ(E_NOINTERFACE, collection.QueryTo(IID_IEnumVARIANT, enumeration));
  ComRef<ISupportErrorInfo> support;
  ASSERT_EQ(S_OK, collection.QueryTo(IID_ISupportErrorInfo, support));
  EXPECT_EQ(S_OK, support->InterfaceSupportsErrorInfo(__uuidof(IDialogCollection)));
  EXPECT_EQ(S_FALSE, support->InterfaceSupportsErrorInfo(IID_IDispatch));

  ComRef<IDispatch> item;
  ASSERT_EQ(S_OK, collection->Item(Integer(VT_I4, 1), item.Put()));
  ComRef<ISupportErrorInfo> itemSupport;
  ASSERT_EQ(S_OK, item.QueryTo(IID_ISupportErrorInfo, itemSupport));
  EXPECT_EQ(S_OK, itemSupport->InterfaceSupportsErrorInfo(__uuidof(IDialogItem)));
  EXPECT_EQ(S_FALSE, itemSupport->InterfaceSupportsErrorInfo(__uuidof(IDialogCollection)));
  ComRef<IDialogItem> dialog;
  ASSERT_EQ(S_OK, item.QueryTo(__uuidof(IDialogItem), dialog));
  EXPECT_EQ(E_POINTER, dialog->get_Name(nullptr));
}

}  // namespace
