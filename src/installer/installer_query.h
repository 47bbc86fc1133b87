// InstallerQuery: one query on a package's tables through the installer automation object.
//
//   InstallerQuery query;
//   query.Open(installer, packagePath, L"Dialog");
//   while (query.Fetch()) names.push_back(query.GetString(1));
//
// Opening never fails: a package that cannot be opened, a table it lacks or a query it
// refuses all give an empty query whose first Fetch is false; PackageRefused tells the first
// apart from the others.  Failures after that (a fetch, a field read, closing) raise
// com_exception.  Each query opens the package anew.
#pragma once

#include "common/com_ref.h"
#include "common/wide_string.h"

#include <oaidl.h>

class InstallerQuery {
 public:
  InstallerQuery() = default;
  ~InstallerQuery();
  InstallerQuery(const InstallerQuery&) = delete;
  InstallerQuery& operator=(const InstallerQuery&) = delete;

  // Runs "SELECT * FROM <table>".
  void Open(const ComRef<IDispatch>& installer, const WideString& databasePath,
            const WideString& table);
  void OpenSql(const ComRef<IDispatch>& installer, const WideString& databasePath,
               const WideString& sql);

  // True when the last Open could not open the package at all: its empty result says nothing
  // about the package's tables.
  bool PackageRefused() const { return packageRefused_; }
  // True when a row was fetched; false without a view or after the last row.
  bool Fetch();
  // Field of the current row (1-based); empty without a current row or for a null field.
  WideString GetString(long field);
  // Field of the current row as the installer gives it; 0 without a current row.
  long GetInteger(long field);
  // Closes the view and lets the database go.
  void Close();

 private:
  ComRef<IDispatch> installer_;
  ComRef<IDispatch> view_;
  ComRef<IDispatch> record_;
  ComRef<IDispatch> database_;
  WideString databasePath_;
  bool packageRefused_ = false;
};
