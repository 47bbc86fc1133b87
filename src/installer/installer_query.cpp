#include "installer/installer_query.h"

#include "common/com_exception.h"
#include "installer/dispatch_call.h"
#include "installer/installer_automation.h"

#include <oleauto.h>

namespace {

// A failing automation call inside a read becomes an ordinary component error; the
// installer's text is handed on through the thread's error information.
[[noreturn]] void RaiseAsComponentError(const com_exception& failure) {
  ComRef<ICreateErrorInfo> created;
  if (SUCCEEDED(CreateErrorInfo(created.Put()))) {
    const WideString text = WideString::FromAnsi(failure.Description().c_str());
    created->SetDescription(const_cast<wchar_t*>(text.c_str()));
    ComRef<IErrorInfo> info;
    if (SUCCEEDED(created.QueryTo(IID_IErrorInfo, info))) SetErrorInfo(0, info.Get());
  }
  ThrowIfFailed(failure.Code());
  throw com_exception(E_UNEXPECTED, failure.Description());  // a failure code never gets here
}

}  // namespace

InstallerQuery::~InstallerQuery() {
  try {
    Close();
  } catch (...) {
    // Nothing can be reported from here; the references go anyway.
  }
}

void InstallerQuery::Open(const ComRef<IDispatch>& installer, const WideString& databasePath,
                          const WideString& table) {
  OpenSql(installer, databasePath, WideString(L"SELECT * FROM ") + table);
}

void InstallerQuery::OpenSql(const ComRef<IDispatch>& installer, const WideString& databasePath,
                             const WideString& sql) {
  record_ = nullptr;
  databasePath_ = databasePath;
  packageRefused_ = true;
  try {
    database_ = OpenInstallerDatabase(installer.Get(), databasePath);
    packageRefused_ = false;
    const StringVariant sqlText(sql);
    view_ = InvokeForObject(database_.Get(), InstallerMember::DatabaseOpenView,
                            DispatchKind::Method, {&sqlText.Get()});
    if (view_) {
      const EmptyObjectVariant noParameters;
      InvokeDispatch(view_.Get(), InstallerMember::ViewExecute, DispatchKind::Method,
                     {&noParameters.Get()}, nullptr);
    } else {
      database_ = nullptr;
    }
  } catch (const com_exception& failure) {
    if (failure.Origin() != ErrorOrigin::InstallerAutomation) throw;
    // Missing table, unreadable package, refused query: the query simply has no rows.
    view_ = nullptr;
    database_ = nullptr;
    installer_ = nullptr;
    return;
  }
  installer_ = installer;
}

bool InstallerQuery::Fetch() {
  if (!view_) return false;
  try {
    record_ = InvokeForObject(view_.Get(), InstallerMember::ViewFetch, DispatchKind::Method, {});
  } catch (const com_exception& failure) {
    RaiseAsComponentError(failure);
  }
  return static_cast<bool>(record_);
}

WideString InstallerQuery::GetString(long field) {
  if (!record_) return WideString();
  try {
    const IntegerVariant fieldNumber(field);
    return InvokeForString(record_.Get(), InstallerMember::RecordStringData,
                           DispatchKind::PropertyGet, {&fieldNumber.Get()});
  } catch (const com_exception& failure) {
    RaiseAsComponentError(failure);
  }
}

long InstallerQuery::GetInteger(long field) {
  if (!record_) return 0;
  try {
    const IntegerVariant fieldNumber(field);
    return InvokeForInteger(record_.Get(), InstallerMember::RecordIntegerData,
                            DispatchKind::PropertyGet, {&fieldNumber.Get()});
  } catch (const com_exception& failure) {
    RaiseAsComponentError(failure);
  }
}

void InstallerQuery::Close() {
  if (view_) {
    try {
      InvokeDispatch(view_.Get(), InstallerMember::ViewClose, DispatchKind::Method, {}, nullptr);
    } catch (const com_exception& failure) {
      database_ = nullptr;
      RaiseAsComponentError(failure);
    }
  }
  database_ = nullptr;
}
