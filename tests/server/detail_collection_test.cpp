// The module detail collections and their enumerators: positions, keys as text, keys that
// ignore case, and the enumerator's Next / Skip / Reset / Clone at the edges.
#include "common/bstr.h"
#include "common/com_ref.h"
#include "common/variant.h"
#include "module/module_detail_collection.h"
#include "module/module_detail_items.h"
#include "support/com_getters.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using DialogCollection = ModuleDetailCollection<IDialogCollection>;
using Names = std::vector<std::wstring>;

class DetailCollections : public ::testing::Test {
 protected:
  // Dialog items named A, B, ... keyed 1, 2, ... or by `keys`.
  void Fill(size_t count, const std::vector<const wchar_t*>& keys = {}) {
    for (size_t i = 0; i < count; ++i) {
      const wchar_t name[] = {static_cast<wchar_t>(L'A' + i), 0};
      ComRef<IDialogItem> item = MakeComponentObject<DialogItem, IDialogItem>(WideString(name));
      if (keys.empty())
        Impl()->AddNext(item.Get());
      else
        Impl()->Add(WideString(keys[i]), item.Get());
    }
  }
  DialogCollection* Impl() { return ImplementationOf<DialogCollection>(collection_.Get()); }
  static std::wstring NameOf(IDispatch* item) {
    ComRef<IDialogItem> dialog;
    UniqueBstr name;
    if (!item || FAILED(item->QueryInterface(__uuidof(IDialogItem), dialog.PutVoid())) ||
        FAILED(dialog->get_Name(name.Put())))
      return L"?";
    return name.Get();
  }
  // Item(index) as a name, or "error <code>".
  std::wstring Item(const VARIANT& index) {
    ComRef<IDispatch> item;
    const HRESULT result = collection_->Item(index, item.Put());
    return FAILED(result) ? L"error " + std::to_wstring(result) : NameOf(item.Get());
  }
  // The names Next(count) delivers; its result in `result`.
  static Names Next(IEnumVARIANT* enumerator, ULONG count, HRESULT& result) {
    std::vector<VARIANT> slots(count);
    ULONG fetched = 99;
    result = enumerator->Next(count, slots.data(), &fetched);
    Names names;
    for (ULONG i = 0; i < fetched && i < count; ++i) {
      names.push_back(NameOf(V_DISPATCH(&slots[i])));
      VariantClear(&slots[i]);
    }
    EXPECT_EQ(names.size(), fetched);
    return names;
  }

  ComRef<IDialogCollection> collection_ = MakeComponentObject<DialogCollection, IDialogCollection>();
};

const std::wstring kInvalidArg = L"error " + std::to_wstring(E_INVALIDARG);

TEST_F(DetailCollections, ItemsArePositionsFromOneToCountOrKeysAsText) {
  Fill(3);
  ASSERT_EQ(3, CountOf(collection_.Get()));
  EXPECT_EQ(L"A", Item(IntegerVariant(1).Get()));
  EXPECT_EQ(kInvalidArg, Item(IntegerVariant(0).Get()));
  EXPECT_EQ(kInvalidArg, Item(IntegerVariant(4).Get()));
  EXPECT_EQ(L"B", Item(StringVariant(L"2").Get()));
  EXPECT_EQ(kInvalidArg, Item(StringVariant(L"4").Get()));
  VARIANT real;
  V_VT(&real) = VT_R8;
  V_R8(&real) = 2.0;
  EXPECT_EQ(L"B", Item(real)) << "2.0 becomes the text 2";
  SHORT three = 3;
  VARIANT byReference;
  V_VT(&byReference) = VT_I2 | VT_BYREF;
  V_I2REF(&byReference) = &three;
  EXPECT_EQ(L"C", Item(byReference)) << "by reference, as script engines pass variables";
}

TEST_F(DetailCollections, KeysIgnoreTheCaseOfAToZOnly) {
  Fill(3, {L"Alpha", L"\u00c9t\u00e9", L"mIxEd_Z"});
  EXPECT_EQ(L"A", Item(StringVariant(L"ALPHA").Get()));
  EXPECT_EQ(L"C", Item(StringVariant(L"MiXeD_z").Get()));
  EXPECT_EQ(L"B", Item(StringVariant(L"\u00c9T\u00e9").Get()));
  EXPECT_EQ(kInvalidArg, Item(StringVariant(L"\u00e9t\u00e9").Get()))
      << "letters outside A to Z compare exactly";
  ComRef<IDialogItem> replacement =
      MakeComponentObject<DialogItem, IDialogItem>(WideString(L"replaced"));
  Impl()->Add(WideString(L"alpha"), replacement.Get());
  EXPECT_EQ(3, CountOf(collection_.Get())) << "a key differing only in case is the same key";
  EXPECT_EQ(L"replaced", Item(IntegerVariant(1).Get()));
}

TEST_F(DetailCollections, EnumeratorsStopAtTheEndAndCloneWhereTheyStand) {
  Fill(4);
  const ComRef<IEnumVARIANT> enumerator =
      GetAs<IEnumVARIANT>(collection_.Get(), &IDialogCollection::get__NewEnum);
  HRESULT result = E_FAIL;
  EXPECT_EQ(Names({L"A"}), Next(enumerator.Get(), 1, result));
  EXPECT_EQ(S_OK, result);
  ComRef<IEnumVARIANT> clone;
  ASSERT_EQ(S_OK, enumerator->Clone(clone.Put()));
  EXPECT_EQ(Names({L"B", L"C"}), Next(clone.Get(), 2, result));
  EXPECT_EQ(S_OK, enumerator->Skip(1)) << "the original did not move with its clone";
  EXPECT_EQ(Names({L"C", L"D"}), Next(enumerator.Get(), 3, result)) << "3 asked, 2 left";
  EXPECT_EQ(S_FALSE, result);
  EXPECT_EQ(S_OK, clone->Skip(1)) << "exactly the one left";
  EXPECT_EQ(S_FALSE, clone->Skip(5)) << "past the end";
  EXPECT_EQ(Names(), Next(clone.Get(), 1, result));
  EXPECT_EQ(S_FALSE, result);
  EXPECT_EQ(S_OK, clone->Reset());
  EXPECT_EQ(Names({L"A", L"B"}), Next(clone.Get(), 2, result));
  EXPECT_EQ(S_OK, result);

  collection_.Reset();
  EXPECT_EQ(S_OK, enumerator->Reset());
  EXPECT_EQ(Names({L"A"}), Next(enumerator.Get(), 1, result)) << "it keeps its collection";
}

}  // namespace
