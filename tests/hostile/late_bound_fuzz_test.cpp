// Late-bound calls with malformed arguments, as a native client with a bug makes them: every
// member of every object the component hands out over the demo catalog, found through the
// objects' own type information (a member or object added later is called without anyone
// listing it), with each argument shape at each parameter, no arguments and one too many.
// None may crash the host; a by-reference argument without its pointer is refused as a type
// mismatch at its position.
#include "support/automation_client.h"
#include "support/test_support.h"

#include <map>
#include <set>
#include <vector>

namespace {

const StandInState state(L"late-bound-fuzz");

// One argument shape; `variable` backs the shapes that refer to a variable.
struct Shape {
  const char* name;
  bool malformed;  // a by-reference argument without its pointer
  void (*make)(VARIANT& argument, VARIANT& variable);
};

const Shape kShapes[] = {
    {"Empty", false, [](VARIANT&, VARIANT&) {}},
    {"Null", false, [](VARIANT& a, VARIANT&) { V_VT(&a) = VT_NULL; }},
    {"0", false, [](VARIANT& a, VARIANT&) { V_VT(&a) = VT_I4; V_I4(&a) = 0; }},
    {"-1", false, [](VARIANT& a, VARIANT&) { V_VT(&a) = VT_I4; V_I4(&a) = -1; }},
    {"text", false, [](VARIANT& a, VARIANT&) { V_VT(&a) = VT_BSTR; V_BSTR(&a) = SysAllocString(L"Acme.Core:0"); }},
    {"null text", false, [](VARIANT& a, VARIANT&) { V_VT(&a) = VT_BSTR; }},
    {"null IDispatch", false, [](VARIANT& a, VARIANT&) { V_VT(&a) = VT_DISPATCH; }},
    {"null IUnknown", false, [](VARIANT& a, VARIANT&) { V_VT(&a) = VT_UNKNOWN; }},
    {"missing", false, [](VARIANT& a, VARIANT&) { V_VT(&a) = VT_ERROR; V_ERROR(&a) = DISP_E_PARAMNOTFOUND; }},
    {"VARIANT variable", false, [](VARIANT& a, VARIANT& v) { V_VT(&a) = VT_VARIANT | VT_BYREF; V_VARIANTREF(&a) = &v; }},
    {"null VARIANT*", true, [](VARIANT& a, VARIANT&) { V_VT(&a) = VT_VARIANT | VT_BYREF; }},
    {"null IDispatch**", true, [](VARIANT& a, VARIANT&) { V_VT(&a) = VT_DISPATCH | VT_BYREF; }},
    {"null IUnknown**", true, [](VARIANT& a, VARIANT&) { V_VT(&a) = VT_UNKNOWN | VT_BYREF; }},
    {"null long*", true, [](VARIANT& a, VARIANT&) { V_VT(&a) = VT_I4 | VT_BYREF; }},
    {"null BSTR*", true, [](VARIANT& a, VARIANT&) { V_VT(&a) = VT_BSTR | VT_BYREF; }},
    {"VARIANT* to null long*", true, [](VARIANT& a, VARIANT& v) {
       V_VT(&v) = VT_I4 | VT_BYREF;
       V_VT(&a) = VT_VARIANT | VT_BYREF;
       V_VARIANTREF(&a) = &v;
     }},
};

struct Member {
  MEMBERID id;
  WORD flags;
  UINT parameters;
  std::string name;
};

// The name of a member, or of the interface itself for MEMBERID_NIL.
std::string NameOf(ITypeInfo* type, MEMBERID id) {
  UniqueBstr name;
  type->GetDocumentation(id, name.Put(), nullptr, nullptr, nullptr);
  return Utf8FromWide(std::wstring(name.Get() ? name.Get() : L"?"));
}

// The members of an object's interface as a script engine calls them.
std::vector<Member> MembersOf(ITypeInfo* type) {
  std::vector<Member> members;
  TYPEATTR* attributes = nullptr;
  if (FAILED(type->GetTypeAttr(&attributes))) return members;
  for (UINT i = 0; i < attributes->cFuncs; ++i) {
    FUNCDESC* function = nullptr;
    if (FAILED(type->GetFuncDesc(i, &function))) continue;
    // IUnknown's and IDispatch's own members are the platform's, not ours.
    const bool inherited = (function->wFuncFlags & FUNCFLAG_FRESTRICTED) && function->memid != DISPID_NEWENUM;
    const WORD flags = function->invkind == INVOKE_PROPERTYGET ? DISPATCH_PROPERTYGET | DISPATCH_METHOD
                                                               : static_cast<WORD>(function->invkind);
    if (!inherited)
      members.push_back({function->memid, flags, static_cast<UINT>(function->cParams),
                         NameOf(type, function->memid)});
    type->ReleaseFuncDesc(function);
  }
  type->ReleaseTypeAttr(attributes);
  return members;
}

// One call with `count` arguments, all Empty but `position`, which gets `shape`: its result and
// the argument position it blamed.
std::pair<HRESULT, UINT> Call(IDispatch* object, const Member& member, UINT count, UINT position, const Shape* shape) {
  std::vector<VARIANT> arguments(count);
  VARIANT variable;
  VariantInit(&variable);
  for (VARIANT& argument : arguments) VariantInit(&argument);
  // Arguments are stored last first.
  if (shape && position < count) shape->make(arguments[count - 1 - position], variable);
  DISPID named = DISPID_PROPERTYPUT;
  const bool put = (member.flags & DISPATCH_PROPERTYPUT) && count > 0;
  DISPPARAMS params{arguments.data(), put ? &named : nullptr, count, put ? 1u : 0u};
  UniqueVariant result;
  EXCEPINFO exception{};
  UINT argumentError = ~0u;
  const HRESULT code = object->Invoke(member.id, IID_NULL, LOCALE_USER_DEFAULT, member.flags, &params,
                                      result.Put(), &exception, &argumentError);
  UniqueBstr source(exception.bstrSource), description(exception.bstrDescription),
      help(exception.bstrHelpFile);  // only released
  if (!shape || !shape->malformed) {
    for (VARIANT& argument : arguments) VariantClear(&argument);
    VariantClear(&variable);
  }
  return {code, argumentError};
}

using Targets = std::map<std::string, ComRef<IDispatch>>;  // by interface name, or class

ComRef<ITypeInfo> TypeOf(IDispatch* object) {
  ComRef<ITypeInfo> type;
  EXPECT_EQ(S_OK, object->GetTypeInfo(0, LOCALE_USER_DEFAULT, type.Put()));
  return type;
}

// Walks what `object` hands out through calls without arguments (a member then hands out its
// out value as its result, the script rule) and through Item(1..Count); the first object of
// each interface becomes a target.
void Discover(IDispatch* object, Targets& targets, int depth = 6) {
  const ComRef<ITypeInfo> type = TypeOf(object);
  if (depth == 0 || !type) return;
  targets.emplace(NameOf(type.Get(), MEMBERID_NIL), ComRef<IDispatch>(object));
  const std::vector<Member> members = MembersOf(type.Get());
  long count = 0;
  for (const Member& member : members) {
    if (member.flags == DISPATCH_PROPERTYPUT || member.name == "Item") continue;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    UniqueVariant result;
    if (FAILED(object->Invoke(member.id, IID_NULL, LOCALE_USER_DEFAULT, member.flags, &none,
                              result.Put(), nullptr, nullptr)))
      continue;
    if (member.name == "Count" && result.Type() == VT_I4) count = V_I4(&result.Get());
    ComRef<IDispatch> found;
    if ((result.Type() == VT_DISPATCH || result.Type() == VT_UNKNOWN) && V_UNKNOWN(&result.Get()) &&
        SUCCEEDED(V_UNKNOWN(&result.Get())->QueryInterface(IID_IDispatch, found.PutVoid())))
      Discover(found.Get(), targets, depth - 1);
  }
  for (const Member& member : members) {
    if (member.name != "Item") continue;
    for (long position = 1; position <= count; ++position) {
      IntegerVariant index(position);
      DISPPARAMS params{&index.Get(), nullptr, 1, 0};
      UniqueVariant item;
      if (SUCCEEDED(object->Invoke(member.id, IID_NULL, LOCALE_USER_DEFAULT, member.flags, &params,
                                   item.Put(), nullptr, nullptr)) &&
          item.Type() == VT_DISPATCH && V_DISPATCH(&item.Get()))
        Discover(V_DISPATCH(&item.Get()), targets, depth - 1);
    }
  }
}

// The dual interfaces the environment's type library declares: every one must be reached.
std::set<std::string> DeclaredInterfaces(ITypeInfo* any) {
  std::set<std::string> names;
  ComRef<ITypeLib> library;
  UINT index = 0;
  if (FAILED(any->GetContainingTypeLib(library.Put(), &index))) return names;
  for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) {
    TYPEKIND kind;
    UniqueBstr name;
    if (SUCCEEDED(library->GetTypeInfoType(i, &kind)) && (kind == TKIND_DISPATCH || kind == TKIND_INTERFACE) &&
        SUCCEEDED(library->GetDocumentation(i, name.Put(), nullptr, nullptr, nullptr)))
      names.insert(Utf8FromWide(std::wstring(name.Get())));
  }
  return names;
}

TEST(LateBoundFuzz, NoMalformedCallCrashesAndNullReferencesAreTypeMismatches) {
  const std::wstring product = FixtureFolder("qvmodcat_demo").c_str();
  state.SetText(L"ProductFolder", product.c_str());
  state.SetText(L"SearchPathList", (product + L"\\Modules," + product + L"\\Vendor").c_str());
  state.SetText(L"ModulesIniFolder", product.c_str());
  state.SetText(L"FilesIniFolder", product.c_str());
  size_t calls = 0;
  {
    Targets objects;
    // Each class through its dual interface (the manager answers no plain IDispatch); the
    // classes are targets of their own, the edition catalog beside the catalog.
    const struct {
      const char* name;
      CLSID cls;
      IID dual;
    } classes[] = {{"MMCatalogManager", kClsidMMCatalogManager, __uuidof(IMMCatalogManager)},
                   {"MMCatalog", kClsidMMCatalog, __uuidof(IMMCatalog)},
                   {"MMCatalogPro", kClsidMMCatalogPro, __uuidof(IMMCatalog)},
                   {"MergeModule2", kClsidMergeModule2, __uuidof(IMergeModule2)}};
    for (const auto& entry : classes) {
      ComRef<IDispatch> object;
      ASSERT_EQ(S_OK, CHECKED(CoCreateInstance(entry.cls, nullptr, CLSCTX_INPROC_SERVER, entry.dual,
                                               object.PutVoid())));
      Discover(object.Get(), objects);
      objects.emplace(entry.name, object);
    }
    std::set<std::string> reached;
    for (const auto& entry : objects) reached.insert(NameOf(TypeOf(entry.second.Get()).Get(), MEMBERID_NIL));
    EXPECT_EQ(DeclaredInterfaces(TypeOf(objects.begin()->second.Get()).Get()), reached)
        << "every interface is reached and called";

    for (const auto& entry : objects)
      for (const Member& member : MembersOf(TypeOf(entry.second.Get()).Get())) {
        SCOPED_TRACE(entry.first + "." + member.name);
        Call(entry.second.Get(), member, 0, 0, nullptr);
        Call(entry.second.Get(), member, member.parameters + 1, 0, nullptr);
        calls += 2;
        for (UINT position = 0; position < member.parameters; ++position)
          for (const Shape& shape : kShapes) {
            const auto outcome = Call(entry.second.Get(), member, member.parameters, position, &shape);
            ++calls;
            // The position blamed is the argument's index in the caller's array (last first).
            if (shape.malformed) {
              EXPECT_EQ(std::make_pair(DISP_E_TYPEMISMATCH, member.parameters - 1 - position), outcome)
                  << shape.name << " at parameter " << position;
            }
          }
      }
  }
  std::printf("late-bound calls: %zu, the host survived all of them\n", calls);
  EXPECT_EQ(S_OK, ComponentCanUnload());
}

}  // namespace
