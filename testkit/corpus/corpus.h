// The bad-input corpus: case folders under one root and a manifest that tells the driver how to
// point the catalog at each case.  Manifest lines are UTF-8, fields separated by tabs:
//   <class> <name> <setting>=<value>...
// Settings are stand-in values (SearchPathList, ProductFolder, ...) or driver directives
// (healthy, probe, load, refused, env:<NAME>, fresh); "$CASE" in a value stands for the case folder.
#pragma once

#include "common/text.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace corpus {

// A literal's bytes, embedded nulls included.
template <size_t N>
std::string Bytes(const char (&literal)[N]) {
  return std::string(literal, N - 1);
}

// A package description for msmbuild, kept as tables of cells so that cases can edit one cell.
struct Table {
  std::string name;
  std::vector<std::string> header;
  std::vector<std::vector<std::string>> rows;
};

struct Package {
  std::vector<std::pair<std::string, std::string>> summary;
  std::vector<Table> tables;

  Table* Find(const std::string& name);
  Package& Drop(const std::string& table);
  Package& SetSummary(const std::string& name, const std::string& value);  // "" value: drop it
  // Sets a cell of row `row`; `type`, when given, replaces the column's type ("S72*").
  Package& SetCell(const std::string& table, size_t row, const std::string& column,
                   const std::string& value, const std::string& type = "");
  std::string Text() const;
};

// A package with a row in every table the catalog reads; `id` names its module.
Package ProbePackage(const std::string& id);
// The healthy package put beside the cases; its answers must never change.
Package HealthyPackage();

class Corpus {
 public:
  explicit Corpus(std::wstring root);
  ~Corpus();

  // Starts a case: makes <root>\cases\<cls>\<name>; the following calls fill it.
  void Begin(const std::string& cls, const std::string& name);
  std::wstring CaseFolder() const { return caseFolder_; }
  void Set(const std::string& key, const std::string& value);
  void Build(const std::string& relative, const Package& package);
  std::vector<uint8_t> BuildBytes(const Package& package);  // built once in a scratch file
  void Write(const std::string& relative, const std::string& bytes);
  void Folder(const std::string& relative);
  // A package outside the cases, at <root>\<relative> (the soak's package variants).
  void BuildInRoot(const std::string& relative, const Package& package);
  // A copy of the healthy package in <case>\<relative>, announced to the driver.
  void Healthy(const std::string& relative = "pkgs");
  // The usual setting: the case's pkgs folder (with the healthy package) as the search list.
  void PackageFolderCase(const std::string& cls, const std::string& name);

  int Failures() const { return failures_; }
  int Cases() const { return cases_; }

 private:
  void EndCase();
  std::wstring root_;
  std::wstring caseFolder_;
  std::string line_;
  std::string manifest_;
  int failures_ = 0;
  int cases_ = 0;
};

void AddPackageCases(Corpus& corpus);      // mutated, not_package, tables, fields, keys, ...
void AddEnvironmentCases(Corpus& corpus);  // descriptors, lookup files, paths and lists
void AddSoakPackages(Corpus& corpus);      // soak\s<slot>v<variant>.msm

}  // namespace corpus
