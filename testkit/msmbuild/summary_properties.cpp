#include "summary_properties.h"

namespace msmbuild {

const SummaryProperty* FindSummaryProperty(const std::string& name) {
  static const SummaryProperty properties[] = {
      {"Codepage", 1, SummaryType::Short},       {"Title", 2, SummaryType::Text},
      {"Subject", 3, SummaryType::Text},         {"Author", 4, SummaryType::Text},
      {"Keywords", 5, SummaryType::Text},        {"Comments", 6, SummaryType::Text},
      {"Template", 7, SummaryType::Text},        {"LastAuthor", 8, SummaryType::Text},
      {"RevisionNumber", 9, SummaryType::Text},  {"LastPrinted", 11, SummaryType::FileTime},
      {"CreateDtm", 12, SummaryType::FileTime},  {"LastSaveDtm", 13, SummaryType::FileTime},
      {"PageCount", 14, SummaryType::Long},      {"WordCount", 15, SummaryType::Long},
      {"CharCount", 16, SummaryType::Long},      {"AppName", 18, SummaryType::Text},
      {"Security", 19, SummaryType::Long},
  };
  for (const SummaryProperty& property : properties)
    if (name == property.name) return &property;
  return nullptr;
}

}  // namespace msmbuild
