#include "profile_file.h"

#include "standin_state.h"

#include "common/unique_handle.h"

namespace {

struct FileHandleTraits {
  static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE file) noexcept { CloseHandle(file); }
};
using FileHandle = UniqueHandle<HANDLE, FileHandleTraits>;

std::wstring Trimmed(const std::wstring& text, size_t begin, size_t end) {
  while (begin < end && (text[begin] == L' ' || text[begin] == L'\t')) ++begin;
  while (end > begin && (text[end - 1] == L' ' || text[end - 1] == L'\t')) --end;
  return text.substr(begin, end - begin);
}

std::wstring Decode(UINT codePage, const char* bytes, size_t length) {
  if (length == 0) return std::wstring();
  const int count = MultiByteToWideChar(codePage, 0, bytes, static_cast<int>(length), nullptr, 0);
  std::wstring text(static_cast<size_t>(count > 0 ? count : 0), L'\0');
  if (count > 0) {
    MultiByteToWideChar(codePage, 0, bytes, static_cast<int>(length), &text[0], count);
  }
  return text;
}

}  // namespace

bool NameLess::operator()(const std::wstring& left, const std::wstring& right) const {
  return CompareStringOrdinal(left.c_str(), static_cast<int>(left.size()), right.c_str(),
                              static_cast<int>(right.size()), TRUE) == CSTR_LESS_THAN;
}

void ProfileSection::AddKey(ProfileKey key) {
  keyIndex.emplace(key.name, keys.size());  // keeps the first position of a repeated name
  keys.push_back(std::move(key));
}

const ProfileSection* Profile::FindSection(const std::wstring& sectionName) const {
  const auto found = sectionIndex.find(sectionName);
  return found == sectionIndex.end() ? nullptr : &sections[found->second];
}

ProfileSection& Profile::SectionNamed(const std::wstring& sectionName) {
  const auto added = sectionIndex.emplace(sectionName, sections.size());
  if (added.second) sections.push_back(ProfileSection{sectionName, {}, {}});
  return sections[added.first->second];
}

Profile ParseProfile(const std::wstring& text) {
  Profile profile;
  ProfileSection* current = nullptr;  // keys before the first header belong to none
  size_t lineStart = 0;
  while (lineStart < text.size()) {
    size_t lineEnd = text.find_first_of(L"\r\n", lineStart);
    if (lineEnd == std::wstring::npos) lineEnd = text.size();
    const std::wstring line = Trimmed(text, lineStart, lineEnd);
    lineStart = lineEnd + 1;

    if (line.empty() || line[0] == L';') continue;
    if (line[0] == L'[') {
      const size_t close = line.find(L']');
      const std::wstring name =
          Trimmed(line, 1, close == std::wstring::npos ? line.size() : close);
      current = &profile.SectionNamed(name);  // a repeated header continues that section
      continue;
    }
    if (!current) continue;
    const size_t equals = line.find(L'=');
    ProfileKey key;
    key.name = Trimmed(line, 0, equals == std::wstring::npos ? line.size() : equals);
    if (equals != std::wstring::npos) key.value = Trimmed(line, equals + 1, line.size());
    if (!key.name.empty()) current->AddKey(std::move(key));
  }
  return profile;
}

std::wstring DecodeProfileBytes(const std::string& bytes) {
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2),
                        (bytes.size() - 2) / sizeof(wchar_t));
  }
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    return Decode(CP_UTF8, bytes.data() + 3, bytes.size() - 3);
  }
  return Decode(CP_ACP, bytes.data(), bytes.size());
}

HRESULT ReadProfileFile(const wchar_t* path, Profile& profile) {
  FileHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return HRESULT_FROM_WIN32(GetLastError());
  std::string bytes;
  char chunk[4096];
  DWORD read = 0;
  for (;;) {
    if (!ReadFile(file.Get(), chunk, sizeof chunk, &read, nullptr)) {
      return HRESULT_FROM_WIN32(GetLastError());
    }
    if (read == 0) break;
    bytes.append(chunk, read);
  }
  profile = ParseProfile(DecodeProfileBytes(bytes));
  return S_OK;
}
