// find-file: the catalog's answer, and every module that has a file of that name.
#include "commands.h"

#include "catalog_survey.h"
#include "file_candidates.h"
#include "text_table.h"

namespace qvmodcat {

namespace {

Json CandidateJson(const FileCandidate& c, bool answers) {
  Json json = Json::Object();
  json.Set("key", c.Module.Key);
  json.Set("path", c.Module.Path);
  json.Set("source", SourceName(c.Source));
  json.Set("file", c.File.LongName());
  json.Set("file_version", c.File.Version);
  json.Set("file_language", c.File.Language);
  json.Set("folder", c.Folder ? Json(*c.Folder) : Json());
  json.Set("matches", c.Matches);
  json.Set("answers", answers);
  json.Set("reason", c.Reason);
  return json;
}

std::wstring AnswerText(const ModuleSummary& module, ModuleSource source, bool fromFilesIni) {
  std::wstring text = L"found: " + module.Key + L" " + module.Version + L"  " + module.DisplayName + L"\n";
  text += source == ModuleSource::Package ? L"  package " + module.Path + L"\n"
                                          : L"  gallery descriptor, " + StatusText(module) + L"\n";
  if (fromFilesIni) text += L"  named by FilesToModules.ini: no module's file list matches\n";
  return text;
}

}  // namespace

int RunFindFile(const Options& options) {
  const long projectType = CatalogProjectType(options);
  Catalog catalog(projectType);
  const FileQuestion question{options.Arguments[0], options.Version.value_or(L""),
                              options.Language.value_or(L""), options.InFolder, projectType};
  const FileQueryResult result = catalog.FindModuleForFile(question.Destination, question.Version,
                                                           question.Language, question.InFolder);
  const CatalogSurvey survey(catalog);
  const FileCandidates found = FindFileCandidates(catalog, survey, question);

  std::optional<ModuleSummary> answer;
  if (result.Module) answer = catalog.Summary(result.Module.Get());
  // The first match is what the catalog's file lists answer.
  const FileCandidate* firstMatch = nullptr;
  for (const FileCandidate& c : found.Candidates)
    if (!firstMatch && c.Matches) firstMatch = &c;
  const bool fromFileLists = answer && firstMatch && firstMatch->Module.Key == answer->Key &&
                             firstMatch->Module.Path == answer->Path;
  const auto isAnswer = [&](const FileCandidate& c) { return fromFileLists && &c == firstMatch; };

  Json json = Json::Object();
  json.Set("destination", question.Destination);
  json.Set("version", question.Version);
  json.Set("language", question.Language);
  json.Set("in_folder", question.InFolder);
  json.Set("found", result.Found);
  std::wstring text;
  if (answer) {
    const ModuleSource source = PackageModules(catalog).SourceOf(*answer);
    json.Set("module", SummaryJson(*answer, source));
    json.Set("answered_by", fromFileLists ? L"file-list" : L"FilesToModules.ini");
    text = AnswerText(*answer, source, !fromFileLists);
  } else {
    json.Set("module", nullptr);
    json.Set("answered_by", nullptr);
    if (result.Found) {
      // FilesToModules.ini names the file's module, which the catalog does not have.
      const auto listed = catalog.KeyForFile(found.Name);
      json.Set("listed_key", listed ? Json(*listed) : Json());
      text = L"not found: FilesToModules.ini lists the file for " +
             (listed ? *listed : std::wstring(L"a module")) + L", which the catalog does not have\n";
    } else if (!found.ExcludedBy.empty()) {
      text = L"not found: the environment excludes the name (" + found.ExcludedBy + L")\n";
    } else if (found.Name.empty()) {
      text = L"not found: with --in-folder the destination needs a folder, such as "
             L"[SystemFolder]name.dll\n";
    } else if (found.Candidates.empty()) {
      text = L"not found: no module of the catalog has a file named " + found.Name + L"\n";
    } else {
      text = L"not found: no module matches the question (see why below)\n";
    }
  }

  Json& candidates = json.Set("candidates", Json::Array());
  TextTable table(2);
  table.GiveWay({3, 4, 0});  // the folder, the reason's room (it wraps), then the key
  table.WrapLast();
  table.Add({L"KEY", L"VERSION", L"LANG", L"FOLDER", L"WHY"});
  for (const FileCandidate& c : found.Candidates) {
    candidates.Append(CandidateJson(c, isAnswer(c)));
    table.Add({c.Module.Key, c.File.Version.empty() ? L"-" : c.File.Version,
               c.File.Language.empty() ? L"-" : c.File.Language,
               c.Folder ? (c.Folder->empty() ? L"(root)" : *c.Folder) : L"-",
               isAnswer(c) ? L"the catalog's answer" : c.Reason});
  }
  if (!found.Candidates.empty()) {
    text += L"Modules with a file named " + found.Name + L", in the order the catalog looks (" +
            std::to_wstring(found.Candidates.size()) + L"):\n";
    text += table.Render();
    if (!options.Language)
      text += L"Without --language the catalog asks for language 0 (packages) or none (gallery).\n";
  }
  Answer(options, json, text);
  return answer ? kFound : kNotFound;
}

}  // namespace qvmodcat
