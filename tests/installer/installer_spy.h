// InstallerSpy: wraps a real installer automation object and every object it hands out, to
// see which members the component calls and to make chosen calls fail the way the installer
// would (an exception with its own code and text).  Calls not chosen go to the real objects.
#pragma once

#include "common/com_ref.h"

#include <oaidl.h>

#include <memory>
#include <string>
#include <vector>

enum class InstallerObject { Installer, Database, View, Record, SummaryInfo };

struct SpyCall {
  InstallerObject object;
  DISPID member;
  WORD kind;
  VARTYPE firstArgumentType;  // VT_EMPTY when there was none
  std::wstring firstText;     // the first argument when it is text
  LONG firstInteger;          // the first argument when it is an integer
};

class InstallerSpy {
 public:
  explicit InstallerSpy(const ComRef<IDispatch>& installer);

  // The wrapped installer object, to hand to the code under test.
  ComRef<IDispatch> Installer() const { return installer_; }

  // The `occurrence`-th call (1-based, counted from now) of `member` on `object` fails with
  // DISP_E_EXCEPTION whose scode and description are given.  With `firstInteger` set, only
  // calls with that first argument count.
  void FailCall(InstallerObject object, DISPID member, int occurrence, HRESULT scode,
                const std::wstring& description, LONG firstInteger = -1);

  const std::vector<SpyCall>& Calls() const;
  int CountCalls(InstallerObject object, DISPID member) const;

  struct State;

 private:
  std::shared_ptr<State> state_;
  ComRef<IDispatch> installer_;
};
