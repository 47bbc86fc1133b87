// MMCatalogManager: the environment's entry point.  GetCatalog hands out the one MMCatalog
// (made on the first request, whatever the project type) or, for the project types 9 and 10,
// the one MMCatalogPro; both are kept for as long as the manager lives, so every request of a
// kind gets the same object.
//
// The manager answers its own interface and ISupportErrorInfo but not IDispatch, although its
// interface is dual: dispatch calls work through IMMCatalogManager itself.
#pragma once

#include "com/com_object.h"
#include "com/dispatch.h"
#include "com/error_reporting.h"
#include "com/server_module.h"

#include "qvmodcat.h"

extern const ErrorReporter MMCatalogManagerErrors;

class MMCatalogManager : public DispatchImpl<IMMCatalogManager>,
                         public ISupportErrorInfo,
                         public ObjectLock {
 public:
  static const QueryTable<MMCatalogManager>& Interfaces();
  static const ErrorReporter& Reporter() { return MMCatalogManagerErrors; }

  // A catalog that cannot be made fails the call with the catalog's own HRESULT; the error
  // information the catalog set (under its ProgID) is left for the caller.
  STDMETHODIMP GetCatalog(long projectType, IUnknown** catalog) override;

  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override;

 private:
  ComRef<IMMCatalog> catalog_;
  ComRef<IMMCatalog> editionCatalog_;
};
