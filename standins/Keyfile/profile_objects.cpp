// The profile-reader stand-in's objects: the reader, the sections collection, a section, the
// keys collection and a key.  They are used through their vtables; their IDispatch parts
// answer E_NOTIMPL.  Sections, keys and keys collections share the parsed file, so they stay
// valid after the reader opens another file or goes away.
//
// Every Open call adds one to "ProfileOpenCount".  Failure injection: "ProfileFailOperation"
// lists operations ("CreateInstance", "DllGetClassObject", "Open", "Sections", "Sections.Item",
// "Sections.Count", "Section.Name", "Section.Keys", "Keys.Item", "Keys.Count", "Key.Name",
// "Key.Value"), "ProfileFailHResult" the code.  "ProfileNoObjectOperation" lists operations
// that hand out an object ("Sections", "Sections.Item", "Section.Keys", "Keys.Item") which
// then answer S_OK without one, as a reader may.
#include "profile_file.h"
#include "standin_object.h"
#include "standin_state.h"

#include "qv_environment.h"

#include <memory>
#include <new>
#include <utility>

namespace {

using standin::ComObject;
using standin::CopyOut;
using standin::VtableOnlyDispatch;
using SectionRef = std::shared_ptr<const ProfileSection>;

HRESULT Injected(const wchar_t* operation) {
  return standin::InjectedFailure(L"ProfileFailOperation", L"ProfileFailHResult", operation);
}

bool NoObject(const wchar_t* operation) {
  return standin::OperationListed(L"ProfileNoObjectOperation", operation);
}

// Makes an object and hands one reference to `out` as `Interface`.
template <class Object, class Interface, class... Arguments>
HRESULT Make(Interface** out, Arguments&&... arguments) {
  Object* object = new (std::nothrow) Object(std::forward<Arguments>(arguments)...);
  if (!object) return E_OUTOFMEMORY;
  *out = object;
  return S_OK;
}

// An Item index: a name (string) or a 1-based position (any number type).
struct ItemIndex {
  bool byName = false;
  std::wstring name;
  long position = 0;
};

HRESULT ReadItemIndex(const VARIANT& index, ItemIndex& result) {
  VARIANT value;
  VariantInit(&value);
  HRESULT status = VariantCopyInd(&value, const_cast<VARIANT*>(&index));
  if (SUCCEEDED(status)) {
    if (V_VT(&value) == VT_BSTR) {
      result.byName = true;
      result.name.assign(V_BSTR(&value) ? V_BSTR(&value) : L"", SysStringLen(V_BSTR(&value)));
    } else if (SUCCEEDED(VariantChangeType(&value, &value, 0, VT_I4))) {
      result.position = V_I4(&value);
    } else {
      status = DISP_E_TYPEMISMATCH;
    }
  }
  VariantClear(&value);
  return status;
}

class Key final : public ComObject<VtableOnlyDispatch<IProfileKey>> {
 public:
  Key(SectionRef section, size_t position) : section_(std::move(section)), position_(position) {}

  STDMETHODIMP Name(BSTR* name) override {
    if (const HRESULT failure = Failed(L"Key.Name", name)) return failure;
    return CopyOut(section_->keys[position_].name, name);
  }
  STDMETHODIMP Value(BSTR* value) override {
    if (const HRESULT failure = Failed(L"Key.Value", value)) return failure;
    return CopyOut(section_->keys[position_].value, value);
  }

 private:
  static HRESULT Failed(const wchar_t* operation, BSTR* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return Injected(operation);
  }
  void* Find(const IID& iid) noexcept override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, kIidProfileKey)) {
      return static_cast<IProfileKey*>(this);
    }
    return nullptr;
  }

  SectionRef section_;
  size_t position_;
};

class Keys final : public ComObject<VtableOnlyDispatch<IProfileKeys>> {
 public:
  explicit Keys(SectionRef section) : section_(std::move(section)) {}

  STDMETHODIMP Item(VARIANT index, IProfileKey** key) override {
    if (!key) return E_POINTER;
    *key = nullptr;
    if (const HRESULT failure = Injected(L"Keys.Item")) return failure;
    if (NoObject(L"Keys.Item")) return S_OK;
    ItemIndex which;
    if (const HRESULT status = ReadItemIndex(index, which); FAILED(status)) return status;
    if (which.byName) {
      const auto found = section_->keyIndex.find(which.name);
      if (found == section_->keyIndex.end()) return S_OK;  // an absent name gives none
      return Make<Key>(key, section_, found->second);
    }
    if (which.position < 1 || static_cast<size_t>(which.position) > section_->keys.size()) {
      return DISP_E_BADINDEX;
    }
    return Make<Key>(key, section_, static_cast<size_t>(which.position - 1));
  }
  STDMETHODIMP Count(long* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    if (const HRESULT failure = Injected(L"Keys.Count")) return failure;
    *count = static_cast<long>(section_->keys.size());
    return S_OK;
  }

 private:
  void* Find(const IID& iid) noexcept override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, kIidProfileKeys)) {
      return static_cast<IProfileKeys*>(this);
    }
    return nullptr;
  }

  SectionRef section_;
};

class Section final : public ComObject<VtableOnlyDispatch<IProfileSection>> {
 public:
  explicit Section(SectionRef section) : section_(std::move(section)) {}

  STDMETHODIMP Name(BSTR* name) override {
    if (!name) return E_POINTER;
    *name = nullptr;
    if (const HRESULT failure = Injected(L"Section.Name")) return failure;
    return CopyOut(section_->name, name);
  }
  STDMETHODIMP Keys(IProfileKeys** keys) override {
    if (!keys) return E_POINTER;
    *keys = nullptr;
    if (const HRESULT failure = Injected(L"Section.Keys")) return failure;
    if (NoObject(L"Section.Keys")) return S_OK;
    return Make<::Keys>(keys, section_);
  }

 private:
  void* Find(const IID& iid) noexcept override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, kIidProfileSection)) {
      return static_cast<IProfileSection*>(this);
    }
    return nullptr;
  }

  SectionRef section_;
};

class Sections final : public ComObject<VtableOnlyDispatch<IProfileSections>> {
 public:
  explicit Sections(std::shared_ptr<const Profile> profile) : profile_(std::move(profile)) {}

  // Every name gives a section object: an empty one, under the asked name, when the file
  // has no such section.
  STDMETHODIMP Item(VARIANT index, IProfileSection** section) override try {
    if (!section) return E_POINTER;
    *section = nullptr;
    if (const HRESULT failure = Injected(L"Sections.Item")) return failure;
    if (NoObject(L"Sections.Item")) return S_OK;
    ItemIndex which;
    if (const HRESULT status = ReadItemIndex(index, which); FAILED(status)) return status;
    const ProfileSection* found = nullptr;
    if (which.byName) {
      found = profile_->FindSection(which.name);
      if (!found) {
        const auto empty = std::make_shared<ProfileSection>();
        empty->name = which.name;
        return Make<Section>(section, empty);
      }
    } else {
      if (which.position < 1 || static_cast<size_t>(which.position) > profile_->sections.size()) {
        return DISP_E_BADINDEX;
      }
      found = &profile_->sections[static_cast<size_t>(which.position - 1)];
    }
    // The section shares ownership of the whole parsed file.
    return Make<Section>(section, SectionRef(profile_, found));
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  STDMETHODIMP Count(long* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    if (const HRESULT failure = Injected(L"Sections.Count")) return failure;
    *count = static_cast<long>(profile_->sections.size());
    return S_OK;
  }

 private:
  void* Find(const IID& iid) noexcept override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, kIidProfileSections)) {
      return static_cast<IProfileSections*>(this);
    }
    return nullptr;
  }

  std::shared_ptr<const Profile> profile_;
};

class ProfileReader final : public ComObject<VtableOnlyDispatch<IProfileReader>> {
 public:
  static HRESULT Create(REFIID iid, void** object) {
    if (const HRESULT failure = Injected(L"CreateInstance")) return failure;
    ProfileReader* reader = new (std::nothrow) ProfileReader;
    if (!reader) return E_OUTOFMEMORY;
    const HRESULT result = reader->QueryInterface(iid, object);
    reader->Release();
    return result;
  }

  // Until a file has been opened there are no sections to read; after a failed Open the
  // reader keeps answering with that failure, so a caller that holds on to it hears the same
  // reason every time.
  STDMETHODIMP Sections(IProfileSections** sections) override {
    if (!sections) return E_POINTER;
    *sections = nullptr;
    if (const HRESULT failure = Injected(L"Sections")) return failure;
    if (NoObject(L"Sections")) return S_OK;
    if (!profile_) return FAILED(openStatus_) ? openStatus_ : E_UNEXPECTED;
    return Make<::Sections>(sections, profile_);
  }
  STDMETHODIMP Open(BSTR path) override try {
    standin::IncrementCounter(L"ProfileOpenCount");
    profile_.reset();
    openStatus_ = S_OK;
    if (const HRESULT failure = Injected(L"Open")) return openStatus_ = failure;
    auto profile = std::make_shared<Profile>();
    openStatus_ = ReadProfileFile(path ? path : L"", *profile);
    if (SUCCEEDED(openStatus_)) profile_ = std::move(profile);
    return openStatus_;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }

 private:
  ProfileReader() = default;

  void* Find(const IID& iid) noexcept override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, kIidProfileReader)) {
      return static_cast<IProfileReader*>(this);
    }
    return nullptr;
  }

  std::shared_ptr<const Profile> profile_;
  HRESULT openStatus_ = S_OK;
};

standin::ClassFactory profileReaderFactory(&ProfileReader::Create);

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
  if (const HRESULT failure = Injected(L"DllGetClassObject")) {
    if (object) *object = nullptr;
    return failure;
  }
  return standin::GetClassObject(profileReaderFactory, kClsidProfileReader, clsid, iid, object);
}

STDAPI DllCanUnloadNow() { return standin::CanUnloadNow(); }
