// How script clients call members with out parameters.
//
// VBScript passes a variable as a by-reference VARIANT (VT_VARIANT | VT_BYREF) and a literal
// or expression by value; JScript passes everything by value and cannot receive a value
// through an argument.  The type information's Invoke accepts neither for an out or in/out
// pointer parameter (an [in, out] IUnknown**, a non-final [out] IDispatch**), so for members
// that have such parameters our Invoke adapts the arguments first, with one rule:
//
//   1. A by-reference parameter (out, in/out, or an in value taken by reference) accepts its
//      own by-reference type (native callers: passed through untouched), a by-reference
//      VARIANT, a value, or no argument at all.  For in and in/out parameters the value (or
//      the referenced value) is converted to the parameter's type and handed in; nothing and
//      Empty/Null give a null object, empty text or 0.
//   2. After the call, an out or in/out parameter given as a by-reference VARIANT receives the
//      value (VBScript:  cat.GetModules mods).
//   3. The call's result is the first out value, in declaration order, that the caller did not
//      receive through a by-reference argument; the [out, retval] parameter, being last, is
//      the result whenever the earlier ones were received.  A caller may also pass a variable
//      for the retval parameter itself; it receives the value like any out argument.  So
//        VBScript:  found = cat.FindModuleForFile(dest, ver, lang, module)
//                   cat.FindModuleForFile dest, ver, lang, module, found
//                   Set mods = cat.GetModules()         (or  cat.GetModules mods)
//        JScript:   var module = cat.FindModuleForFile(dest, ver, lang);
//                   var mods = cat.GetModules();
//      JScript thus gets FindModuleForFile's module, not its found flag; a module that is not
//      null means found.
//   4. An object handed back as IUnknown (GetModules, GetCatalog, a folder item's Modules) is
//      handed back as IDispatch when it has one: script engines call members only through
//      IDispatch.  This applies to every member's result.
//
// Members without such parameters, and calls with named arguments other than a property
// put's value, go to the type information unchanged.
#pragma once

#include <oaidl.h>

#include <vector>

struct ScriptParameter {
  VARTYPE Type;        // the parameter's type; for a pointer parameter the type pointed to
  bool ByReference;    // a pointer parameter
  bool In;
  bool Out;
};

struct ScriptMember {
  MEMBERID Id;
  INVOKEKIND Kind;
  std::vector<ScriptParameter> Parameters;  // without the [out, retval] parameter
  bool HasRetval;
};

// The members of an interface that need the adaptation (pointer parameters other than the
// retval), read from its type information.
std::vector<ScriptMember> MembersNeedingScriptArguments(ITypeInfo* info);

// Rule 4: a VT_UNKNOWN value whose object answers IDispatch becomes VT_DISPATCH.
void PreferDispatch(VARIANT* value) noexcept;

// Invoke of `instance` through `info` with the rule above applied for `member`.
HRESULT InvokeWithScriptArguments(ITypeInfo* info, void* instance, const ScriptMember& member,
                                  WORD flags, DISPPARAMS* params, VARIANT* result,
                                  EXCEPINFO* exception, UINT* argumentError);
