#include "module_report.h"

#include "text_table.h"

namespace qvmodcat {

namespace {

const wchar_t* CheckName(FileFolder::Check check) {
  switch (check) {
    case FileFolder::Check::NotAsked: return L"not-asked";
    case FileFolder::Check::Confirmed: return L"confirmed";
    case FileFolder::Check::OtherModule: return L"other-module";
    case FileFolder::Check::NotFound: return L"not-found";
    case FileFolder::Check::NotCheckable: return L"not-checkable";
  }
  return L"";
}

std::wstring SourceText(const ModuleSummary& module, ModuleSource source) {
  switch (source) {
    case ModuleSource::Package: return L"package " + module.Path;
    case ModuleSource::Loaded: return L"package " + module.Path + L" (read on its own)";
    case ModuleSource::Gallery:
      return module.Path.empty() ? L"gallery descriptor (no package named)"
                                 : L"gallery descriptor (package " + module.Path + L")";
  }
  return L"";
}

std::wstring Counted(const wchar_t* title, size_t count) {
  return std::wstring(title) + (count ? L" (" + std::to_wstring(count) + L"):" : L": none");
}

std::wstring FolderNote(const FileFolder& folder) {
  if (folder.NoPackage) return L"-> (no package to read)";
  if (!folder.Folder) return L"-> (not resolved)";
  std::wstring note = L"-> " + (folder.Folder->empty() ? std::wstring(L"(root)") : *folder.Folder);
  switch (folder.CatalogCheck) {
    case FileFolder::Check::Confirmed: note += L"   (the catalog agrees)"; break;
    case FileFolder::Check::OtherModule:
      note += L"   (the catalog answers " + folder.Detail + L" first)";
      break;
    case FileFolder::Check::NotFound: note += L"   (the catalog finds no module there)"; break;
    case FileFolder::Check::NotCheckable: note += L"   (" + folder.Detail + L")"; break;
    case FileFolder::Check::NotAsked: break;
  }
  return note;
}

}  // namespace

std::wstring StatusText(const ModuleSummary& module) {
  if (module.IsInstalled && module.NeedsDownload)
    return module.OfferedVersion.empty() ? L"update available"
                                         : L"update available (" + module.OfferedVersion + L")";
  if (module.IsInstalled)
    return L"installed";
  return module.NeedsDownload ? L"needs download" : L"not available";
}

const wchar_t* SourceName(ModuleSource source) {
  switch (source) {
    case ModuleSource::Package: return L"package";
    case ModuleSource::Gallery: return L"gallery";
    case ModuleSource::Loaded: return L"loaded";
  }
  return L"";
}

std::wstring RequirementText(const DependencyEntry& wanted) {
  return wanted.Version.empty() ? wanted.Key : wanted.Key + L" >= " + wanted.Version;
}

std::wstring ExclusionRange(const ExclusionEntry& e) {
  if (e.MinVersion.empty() && e.MaxVersion.empty()) return L"any version";
  if (e.MaxVersion.empty()) return L"versions from " + e.MinVersion;
  if (e.MinVersion.empty()) return L"versions up to " + e.MaxVersion;
  return L"versions " + e.MinVersion + L" to " + e.MaxVersion;
}

Json SummaryJson(const ModuleSummary& m, ModuleSource source) {
  Json json = Json::Object();
  json.Set("key", m.Key);
  json.Set("module_id", m.ModuleID);
  json.Set("language", m.Language);
  json.Set("version", m.Version);
  json.Set("display_name", m.DisplayName);
  json.Set("source", SourceName(source));
  json.Set("path", m.Path);
  json.Set("name", m.Name);
  json.Set("author", m.Author);
  json.Set("subject", m.Subject);
  json.Set("comments", m.Comments);
  json.Set("installed", m.IsInstalled);
  json.Set("needs_download", m.NeedsDownload);
  json.Set("status", m.IsInstalled && m.NeedsDownload ? L"update available" : StatusText(m));
  if (!m.OfferedVersion.empty()) json.Set("offered_version", m.OfferedVersion);
  return json;
}

Json DetailsJson(const ModuleDetails& d, ModuleSource source,
                 const std::vector<FileFolder>* folders) {
  Json json = SummaryJson(d.Summary, source);
  Json& dependencies = json.Set("dependencies", Json::Array());
  for (const DependencyEntry& e : d.Dependencies) {
    Json item = Json::Object();
    item.Set("key", e.Key);
    item.Set("module_id", e.ModuleID);
    item.Set("version", e.Version);
    item.Set("language", e.Language);
    dependencies.Append(std::move(item));
  }
  Json& exclusions = json.Set("exclusions", Json::Array());
  for (const ExclusionEntry& e : d.Exclusions) {
    Json item = Json::Object();
    item.Set("key", e.Key);
    item.Set("module_id", e.ModuleID);
    item.Set("min_version", e.MinVersion);
    item.Set("max_version", e.MaxVersion);
    item.Set("language", e.Language);
    exclusions.Append(std::move(item));
  }
  Json& files = json.Set("files", Json::Array());
  for (size_t i = 0; i < d.Files.size(); ++i) {
    const FileEntry& e = d.Files[i];
    Json item = Json::Object();
    item.Set("file", e.File);
    item.Set("file_name", e.FileName);
    item.Set("long_name", e.LongName());
    item.Set("directory", e.Directory);
    item.Set("version", e.Version);
    item.Set("language", e.Language);
    item.Set("size", e.FileSize);
    item.Set("sequence", e.Sequence);
    if (folders && i < folders->size()) {
      const FileFolder& folder = (*folders)[i];
      item.Set("folder", folder.Folder ? Json(*folder.Folder) : Json());
      item.Set("folder_check", CheckName(folder.CatalogCheck));
      if (!folder.Detail.empty()) item.Set("folder_check_detail", folder.Detail);
    }
    files.Append(std::move(item));
  }
  Json& dialogs = json.Set("dialogs", Json::Array());
  for (const auto& name : d.Dialogs) dialogs.Append(name);
  Json& actions = json.Set("custom_actions", Json::Array());
  for (const auto& name : d.CustomActions) actions.Append(name);
  json.Set("has_gallery_descriptor", d.HasDescriptor);
  if (!d.HasDescriptor) {
    json.Set("download_files", nullptr);
  } else {
    Json& downloads = json.Set("download_files", Json::Array());
    for (const DownloadEntry& e : d.DownloadFiles) {
      Json item = Json::Object();
      item.Set("location", e.Location);
      item.Set("media_location", e.MediaLocation);
      item.Set("internet_location", e.InternetLocation);
      item.Set("size", e.FileSize);
      item.Set("checksum", e.CheckSum);
      downloads.Append(std::move(item));
    }
  }
  return json;
}

std::wstring SummaryListText(const std::vector<std::pair<ModuleSummary, ModuleSource>>& modules) {
  TextTable table;
  table.GiveWay({4, 0});  // the display name, then the key; never the version or status
  table.Add({L"KEY", L"VERSION", L"LANG", L"STATUS", L"DISPLAY NAME"});
  for (const auto& [m, source] : modules) {
    table.Add({m.Key, m.Version, std::to_wstring(m.Language), StatusText(m), m.DisplayName});
    table.AddNote(SourceText(m, source));
  }
  return table.Render();
}

std::wstring DetailsText(const ModuleDetails& d, ModuleSource source,
                         const std::vector<FileFolder>* folders) {
  const ModuleSummary& m = d.Summary;
  std::wstring out = m.Key + L"  " + m.DisplayName + L"\n";
  TextTable properties(2);
  properties.Add({L"module id", m.ModuleID});
  properties.Add({L"language", std::to_wstring(m.Language)});
  properties.Add({L"version", m.Version});
  properties.Add({L"status", StatusText(m)});
  properties.Add({L"source", SourceText(m, source)});
  properties.Add({L"name", m.Name});
  properties.Add({L"author", m.Author});
  properties.Add({L"subject", m.Subject});
  properties.Add({L"comments", m.Comments});
  out += properties.Render();

  out += Counted(L"Dependencies", d.Dependencies.size()) + L"\n";
  TextTable dependencies(2);
  for (const DependencyEntry& e : d.Dependencies)
    dependencies.Add({e.Key, e.Version.empty() ? L"any version" : L"version " + e.Version + L" or later"});
  out += dependencies.Render();

  out += Counted(L"Exclusions", d.Exclusions.size()) + L"\n";
  TextTable exclusions(2);
  for (const ExclusionEntry& e : d.Exclusions) exclusions.Add({e.Key, ExclusionRange(e)});
  out += exclusions.Render();

  out += Counted(L"Files", d.Files.size()) + L"\n";
  TextTable files(2);
  if (!d.Files.empty()) files.Add({L"NAME", L"VERSION", L"LANG", L"SIZE", L"DIRECTORY"});
  bool plainFolders = false;
  for (size_t i = 0; i < d.Files.size(); ++i) {
    const FileEntry& e = d.Files[i];
    files.Add({e.LongName(), e.Version, e.Language, std::to_wstring(e.FileSize), e.Directory});
    if (!folders || i >= folders->size()) continue;
    files.AddNote(FolderNote((*folders)[i]));
    plainFolders = plainFolders || (*folders)[i].Detail == kPlainFolder;
  }
  out += files.Render();
  if (plainFolders)
    out += Wrap(L"Plain folders: the module names these folders by directory keys of its own (a "
                L"modularized SystemFolder.<GUID> is not the standard SystemFolder), so the catalog "
                L"resolves no [SystemFolder] or other folder token for them and find-file "
                L"--in-folder never matches their files, as designed; ask find-file without "
                L"--in-folder.", L"  ");

  out += Counted(L"Dialogs", d.Dialogs.size()) + L"\n";
  for (const auto& name : d.Dialogs) out += L"  " + name + L"\n";
  out += Counted(L"Custom actions", d.CustomActions.size()) + L"\n";
  for (const auto& name : d.CustomActions) out += L"  " + name + L"\n";

  if (!d.HasDescriptor) {
    out += L"Download files: none (no gallery descriptor)\n";
  } else {
    out += Counted(L"Download files", d.DownloadFiles.size()) + L"\n";
    TextTable downloads(2);
    for (const DownloadEntry& e : d.DownloadFiles) {
      downloads.Add({e.Location, std::to_wstring(e.FileSize) + L" bytes",
                     e.CheckSum.empty() ? L"" : L"checksum " + e.CheckSum});
      if (!e.MediaLocation.empty()) downloads.AddNote(L"media     " + e.MediaLocation);
      if (!e.InternetLocation.empty()) downloads.AddNote(L"internet  " + e.InternetLocation);
    }
    out += downloads.Render();
  }
  return out;
}

}  // namespace qvmodcat
