#include "installer/installer_automation.h"

#include "common/variant.h"
#include "installer/dispatch_call.h"
#include "installer/package_file_check.h"

namespace {

constexpr LONG kOpenReadOnly = 0;
unsigned long databaseOpens = 0;

}  // namespace

ComRef<IDispatch> OpenInstallerDatabase(IDispatch* installer, const WideString& path) {
  ++databaseOpens;
  CheckPackageFile(path, ErrorOrigin::InstallerAutomation);
  const StringVariant pathArgument(path);
  const IntegerVariant mode(kOpenReadOnly);
  return InvokeForObject(installer, InstallerMember::InstallerOpenDatabase, DispatchKind::Method,
                         {&pathArgument.Get(), &mode.Get()});
}

ComRef<IDispatch> GetSummaryInformation(IDispatch* database) {
  const IntegerVariant updateCount(0);
  return InvokeForObject(database, InstallerMember::DatabaseSummaryInformation,
                         DispatchKind::PropertyGet, {&updateCount.Get()});
}

void GetSummaryProperty(IDispatch* summary, LONG property, VARIANT* value) {
  const IntegerVariant id(property);
  InvokeDispatch(summary, InstallerMember::SummaryInfoProperty, DispatchKind::PropertyGet,
                 {&id.Get()}, value);
}

unsigned long InstallerDatabaseOpenCount() noexcept { return databaseOpens; }
